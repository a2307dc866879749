#pragma once
// Small helpers for building the program's windows.
#include <QPushButton>
#include <QString>

namespace ostrel {

// A command button named like its control, which Enter does not press by itself.
inline QPushButton* MakeButton(QWidget* parent, const char* name, const QString& text)
{
    auto* b = new QPushButton(text, parent);
    b->setObjectName(QString::fromLatin1(name));
    b->setAutoDefault(false);
    return b;
}

} // namespace ostrel
