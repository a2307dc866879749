#pragma once
// The designer windows as the rule's entry points reach them. The windows register their
// factories here; a window that has not registered is stood in for by an empty dialog with
// the right caption. A factory creates and sets up its window (and may raise); the entry
// point places, shows and destroys it.
#include <QDialog>
#include <QString>
#include <QVariant>
#include <functional>

namespace tessaly {

class CodeClassImpl;
class BandImpl;

struct DesignerWindows {
    std::function<QDialog*(CodeClassImpl& rule, const QString& title)> designer;
    std::function<QDialog*(CodeClassImpl& rule, qint32 index, const QString& title)> fieldManage;
    std::function<QDialog*(CodeClassImpl& rule, const QString& title)> options;
    std::function<QDialog*(CodeClassImpl& rule, QString& referenceBand, qint32& position)> addBand;
    std::function<QDialog*(CodeClassImpl& rule, BandImpl& band, const QVariant& referenceNode, bool modify,
                           qint32& relationship)>
        addNode;
};
DesignerWindows& designerWindows();

// Shows a dialog modally. While message boxes are scripted (tests) nothing is shown: the
// dialog is handed to the modal hook, if one is set, and counts as closed at once.
void showModal(QDialog* dialog);
void setModalHook(std::function<void(QDialog*)> hook);

// Whether a widget is one of this library's windows (dialogs are placed over them).
bool isLibraryWindow(const QWidget* w);
void markLibraryWindow(QWidget* w);

} // namespace tessaly
