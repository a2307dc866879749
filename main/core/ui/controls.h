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

// The flags of a window shown without waiting over the window that owns it (its parent):
// it stays above its owner, as owned windows do. A plain Qt::Window with a parent gets no
// transient hint under X11 and drops behind its owner; a dialog-type window does not.
inline constexpr Qt::WindowFlags kOwnedWindow = Qt::Dialog | Qt::WindowMinMaxButtonsHint | Qt::WindowCloseButtonHint;

} // namespace ostrel
