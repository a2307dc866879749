#pragma once
// The code rule a new database starts with, as its definition text (stored in the [Memo] of
// the SysInfo row of Type "CodeRule").
//
// User fields "设备大类", "设备属类", "设备组别", "购置年代"; three bands of 2 characters
// converted layer by layer through the relation tree (three levels, two-digit codes); the
// purchase year formatted "yyyy"; a 4-digit number counting within those four bands.
// A machine tool "机械设备/金属切削机床/铣床" bought in 2003 is numbered 01010220030001.
#include <QString>

namespace ostrel {

QString DefaultCodeRule();

} // namespace ostrel
