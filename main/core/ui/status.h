#pragma once
// Status texts and progress of long database work, through the messaging objects gMessenger
// and gMsgHub (nothing happens while they do not exist, as in tests without them).
//
//   PostStatus(QStringLiteral("正在执行查询.."));       // from mdlmisc.h: numbers -1, 0
//   ShowProgress(true);
//   for (...) { ...; if (++done % 10 == 0) SetProgress(done, count); }
//   ShowProgress(false);
//   PostStatus(QString());                               // clears it
#include <QString>

namespace ostrel {

// A status text with the two numbers the messenger takes (the device editor posts 0, 0
// before loading a device; every other caller -1, 0). "" clears the text.
void PostStatus(const QString& text, qint32 style, qint16 flags);

// Switches the progress display on (at 0 %) or off.
void ShowProgress(bool on);

// The whole percentage of `done` rows out of `count`: done * 100 / count, whole-number
// division, or rounded to the nearest whole number; 0 for a count of 0 or less.
int ProgressPercent(qint64 done, qint64 count, bool rounded = false);
// Moves the progress display to ProgressPercent(done, count, rounded).
void SetProgress(qint64 done, qint64 count, bool rounded = false);

} // namespace ostrel
