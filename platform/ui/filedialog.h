#pragma once
// The system's open and save file dialogs, with filters in the Windows form
// "Text files (*.txt)|*.txt|Pictures|*.jpg;*.png". Tests script them.
#include <QString>
#include <QList>

class QFileDialog;
class QWidget;

namespace ui {

struct FileDialogRequest {
    bool save = false;
    QString title;
    QString initialFolder;
    QString fileName;   // the name proposed
    QString filter;     // as the caller gave it
    int filterIndex = 1; // 1-based choice shown first
};

// Shows the dialog; returns the chosen full path, or the empty text when cancelled.
// The open dialog accepts only existing files. A proposed name with a folder starts
// there; otherwise the dialog starts in initialFolder.
QString GetOpenFileName(const FileDialogRequest& request, QWidget* parent = nullptr);
QString GetSaveFileName(const FileDialogRequest& request, QWidget* parent = nullptr);
// Sets a file dialog up as the request asks: mode, filters, folder, name, a side bar sized
// for its entries. The two above show the dialog so prepared.
void prepareFileDialog(QFileDialog& dialog, const FileDialogRequest& request);

// The filter in Qt's form: "Text files (*.txt);;Pictures (*.jpg *.png)". A description
// that already names its patterns in brackets keeps them; otherwise the patterns are
// added in brackets. An odd trailing description is taken as its own pattern list.
QString qtFilter(const QString& windowsFilter);

namespace script {
// Queues the answer to the next file dialog: a path, or cancel.
void answerFile(const QString& path);
void answerFileCancel();
// The file dialogs asked for since the last clearFileDialogs(); an unanswered dialog
// is cancelled.
QList<FileDialogRequest> fileDialogs();
void clearFileDialogs();
} // namespace script

} // namespace ui
