#include "platform/ui/commondialog.h"

#include "platform/error.h"

#include <QApplication>
#include <QColorDialog>
#include <QFileDialog>
#include <QFileInfo>

namespace platform {

QStringList nameFiltersFrom(const QString& filter)
{
    QStringList result;
    const QStringList parts = filter.split(u'|');
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        QStringList patterns = parts[i + 1].split(u';', Qt::SkipEmptyParts);
        // "*.*" means every file here, those without an extension too.
        for (QString& pattern : patterns) {
            if (pattern == QStringLiteral("*.*"))
                pattern = QStringLiteral("*");
        }
        const QString shown = QStringLiteral(" (") + patterns.join(u' ') + u')';
        // A description that already ends with its patterns shows them once.
        result << (parts[i].endsWith(shown) ? parts[i] : parts[i] + shown);
    }
    return result;
}

namespace {

/// The extension of filter index's first pattern ("*.txt" gives "txt"), or
/// nothing for a pattern that has none.
QString firstExtension(const QString& filter, int index)
{
    const QStringList parts = filter.split(u'|');
    const qsizetype at = qsizetype(index) * 2 - 1;
    if (index < 1 || at >= parts.size())
        return {};
    const QString first = parts[at].split(u';', Qt::SkipEmptyParts).value(0);
    if (!first.startsWith(QStringLiteral("*.")) || first.size() < 3 ||
        first.indexOf(u'*', 1) >= 0 || first.contains(u'?'))
        return {};
    return first.mid(2);
}

} // namespace

QString withFilterExtension(const QString& fileName, const QString& filter, int index)
{
    const QString extension = firstExtension(filter, index);
    const qsizetype slash = fileName.lastIndexOf(u'/');
    const qsizetype dot = fileName.lastIndexOf(u'.');
    if (extension.isEmpty() || dot <= slash + 1)
        return fileName;
    return fileName.left(dot + 1) + extension;
}

void QtCommonDialog::showFileDialog(bool save)
{
    QFileDialog dialog(QApplication::activeWindow());
    dialog.setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    dialog.setFileMode(save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
    // The program asks its own overwrite question.
    dialog.setOption(QFileDialog::DontConfirmOverwrite);
    // Qt's file dialogs have no "open as read-only" box to hide (flag 4).
    const QStringList filters = nameFiltersFrom(Filter());
    dialog.setNameFilters(filters);
    if (FilterIndex() >= 1 && FilterIndex() <= filters.size())
        dialog.selectNameFilter(filters[FilterIndex() - 1]);
    if (save) {
        // Another filter, another format: the name typed or proposed takes its
        // extension, and a name typed without one gets it on saving.
        const auto useFilter = [this, &dialog, filters](const QString& chosen) {
            const int index = int(filters.indexOf(chosen)) + 1;
            dialog.setDefaultSuffix(firstExtension(Filter(), index));
            const QStringList typed = dialog.selectedFiles();
            if (typed.isEmpty() || QFileInfo(typed.constFirst()).isDir())
                return;
            const QString name = QFileInfo(typed.constFirst()).fileName();
            const QString renamed = withFilterExtension(name, Filter(), index);
            if (renamed != name)
                dialog.selectFile(renamed);
        };
        QObject::connect(&dialog, &QFileDialog::filterSelected, &dialog, useFilter);
        dialog.setDefaultSuffix(firstExtension(Filter(), FilterIndex()));
    }
    if (!FileName().isEmpty()) {
        const QFileInfo last(FileName());
        dialog.setDirectory(last.absolutePath());
        dialog.selectFile(last.fileName());
    }
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        throw cancelSelected();
    setFileName(dialog.selectedFiles().constFirst());
    const auto index = filters.indexOf(dialog.selectedNameFilter());
    setFilterIndex(index >= 0 ? int(index) + 1 : 1);
}

void QtCommonDialog::ShowOpen()
{
    showFileDialog(false);
}

void QtCommonDialog::ShowSave()
{
    showFileDialog(true);
}

void QtCommonDialog::ShowColor()
{
    const QColor chosen = QColorDialog::getColor(Color(), QApplication::activeWindow());
    if (!chosen.isValid())
        throw cancelSelected();
    setColor(chosen);
}

} // namespace platform
