#pragma once
// The designer windows as the rule's entry points reach them. Each window registers how it
// is created and how it is set up; the entry point creates it, places it, localises it with
// the library's string table, sets it up, shows it modally and destroys it. A window that has
// not registered is stood in for by an empty dialog with the right caption.
#include "platform/ui/modal.h"
#include <QDialog>
#include <QPoint>
#include <QPointF>
#include <QRect>
#include <QString>
#include <QVariant>
#include <functional>

namespace tessaly {

class CodeClassImpl;
class BandImpl;

struct DesignerWindows {
    // frmDesigners: LoadBands(rule, no band, title)
    std::function<QDialog*()> createDesigner;
    std::function<void(QDialog*, CodeClassImpl& rule, const QString& title)> loadBands;
    // frmDropFields: ShowInfo(rule, index, title)
    std::function<QDialog*()> createFieldManager;
    std::function<void(QDialog*, CodeClassImpl& rule, qint32 index, const QString& title)> showFields;
    // frmAdvanceds: ShowInfo(rule, title)
    std::function<QDialog*()> createOptions;
    std::function<void(QDialog*, CodeClassImpl& rule, const QString& title)> showOptions;
    // frmAddBands: ShowAddBand(rule, reference band, position)
    std::function<QDialog*()> createAddBand;
    std::function<void(QDialog*, CodeClassImpl& rule, QString& referenceBand, qint32& position)> showAddBand;
    // frmAddNodes: ShowAddNode(band, reference node, modify, relationship)
    std::function<QDialog*()> createAddNode;
    std::function<void(QDialog*, BandImpl& band, const QVariant& referenceNode, bool modify, qint32& relationship)>
        showAddNode;
};
DesignerWindows& designerWindows();

// Dialogs are shown through the platform's modal service (tests hook it).
using ui::setModalHook;
using ui::showModal;

// Where a dialog of this size goes: over the active library window, its top-left corner at
// the fractions `over` of that window's width and height (or centred on the screen when there
// is none), pulled back to the centre when it would pass the right or bottom edge.
QPoint dialogPlace(const QSize& dialog, const QRect& active, const QRect& screen,
                   const QPointF& over = QPointF(0.3, 0.3));

// Whether a widget is one of this library's windows (dialogs are placed over them).
bool isLibraryWindow(const QWidget* w);
void markLibraryWindow(QWidget* w);

} // namespace tessaly
