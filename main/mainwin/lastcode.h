#pragma once
// The code rule's question for the last number issued: the greatest [设备编号] of
// Dev_Info that fits a pattern in which "?" stands for any one character.
//
// The main window is this host: it derives from CodeRuleHost and is advised on gCodes
// while it is loaded.
#include "rulegen/include/tessaly.h"
#include <QString>

namespace ostrel {

// The greatest device number matching filter ("?" any one character, every other
// character itself, letter case ignored); "" when none matches or the query fails.
QString LastDeviceCode(const QString& filter);

// Answers the code rule's GetLastCode: Value becomes the last code, and stays as the
// rule set it when there is none.
class CodeRuleHost : public tessaly::ICodeClassEvents {
public:
    void GetLastCode(QString& Filter, QString& Value) override;
};

} // namespace ostrel
