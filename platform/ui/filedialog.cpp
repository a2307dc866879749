#include "platform/ui/filedialog.h"
#include "platform/core/events.h"
#include "platform/core/msgbox.h"
#include <QApplication>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QListView>
#include <QQueue>
#include <QRegularExpression>
#include <QStyle>

namespace ui {
namespace {
struct Answer {
    QString path;
    bool cancelled = false;
};
struct FileScript {
    QQueue<Answer> answers;
    QList<FileDialogRequest> asked;
};
FileScript& fileScript() { return script::serviceState<FileScript>(); }

QString run(FileDialogRequest r, QWidget* parent)
{
    if (script::enabled()) {
        FileScript& s = fileScript();
        s.asked.append(r);
        if (s.answers.isEmpty())
            return QString();
        const Answer a = s.answers.dequeue();
        return a.cancelled ? QString() : a.path;
    }
    QFileDialog dlg(parent ? parent : QApplication::activeWindow(), r.title);
    prepareFileDialog(dlg, r);
    const bool ok = dlg.exec() == QDialog::Accepted && !dlg.selectedFiles().isEmpty();
    DoEvents();
    return ok ? dlg.selectedFiles().constFirst() : QString();
}
} // namespace

void prepareFileDialog(QFileDialog& dlg, const FileDialogRequest& r)
{
    dlg.setAcceptMode(r.save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    dlg.setFileMode(r.save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
    const QString filters = qtFilter(r.filter);
    if (!filters.isEmpty()) {
        const QStringList list = filters.split(QStringLiteral(";;"));
        dlg.setNameFilters(list);
        if (r.filterIndex >= 1 && r.filterIndex <= list.size())
            dlg.selectNameFilter(list.at(r.filterIndex - 1));
    }
    QString name = r.fileName.trimmed();
    name.replace(QLatin1Char('\\'), QLatin1Char('/'));
    const QFileInfo named(name);
    if (!name.isEmpty() && name.contains(QLatin1Char('/')))
        dlg.setDirectory(named.absolutePath());
    else if (!r.initialFolder.isEmpty())
        dlg.setDirectory(QString(r.initialFolder).replace(QLatin1Char('\\'), QLatin1Char('/')));
    if (!name.isEmpty())
        dlg.selectFile(named.fileName());
    if (r.save)
        dlg.setOption(QFileDialog::DontConfirmOverwrite, false);
    // the side bar wide enough for its entries
    if (auto* side = dlg.findChild<QListView*>(QStringLiteral("sidebar")))
        side->setMinimumWidth(side->sizeHintForColumn(0) + 2 * side->frameWidth() +
                              side->style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, side));
}

QString qtFilter(const QString& windowsFilter)
{
    const QStringList parts = windowsFilter.split(QLatin1Char('|'));
    QStringList out;
    for (int i = 0; i < parts.size(); i += 2) {
        QString text = parts.at(i).trimmed();
        const QString patterns = i + 1 < parts.size() ? parts.at(i + 1).trimmed() : text;
        if (text.isEmpty() && patterns.isEmpty())
            continue;
        QStringList globs;
        for (const QString& p : patterns.split(QLatin1Char(';'), Qt::SkipEmptyParts))
            globs.append(p.trimmed());
        if (globs.isEmpty())
            globs.append(QStringLiteral("*"));
        // Qt reads the patterns from the last brackets; strip any the text already has.
        static const QRegularExpression brackets(QStringLiteral("\\s*[(（][^()（）]*[)）]\\s*$"));
        text.remove(brackets);
        if (text.isEmpty())
            text = globs.join(QLatin1Char(' '));
        out.append(text + QStringLiteral(" (") + globs.join(QLatin1Char(' ')) + QLatin1Char(')'));
    }
    return out.join(QStringLiteral(";;"));
}

QString GetOpenFileName(const FileDialogRequest& request, QWidget* parent)
{
    FileDialogRequest r = request;
    r.save = false;
    return run(r, parent);
}

QString GetSaveFileName(const FileDialogRequest& request, QWidget* parent)
{
    FileDialogRequest r = request;
    r.save = true;
    return run(r, parent);
}

namespace script {
void answerFile(const QString& path) { fileScript().answers.enqueue({path, false}); }
void answerFileCancel() { fileScript().answers.enqueue({QString(), true}); }
QList<FileDialogRequest> fileDialogs() { return fileScript().asked; }
void clearFileDialogs() { fileScript() = FileScript{}; }
} // namespace script

} // namespace ui
