#pragma once

#include <QColor>
#include <QString>
#include <QStringList>

namespace platform {

/// The common dialog control: file open, file save and colour choosers that
/// share one set of properties, kept from one use to the next. Every Show
/// raises Error 32755 "Cancel was selected." when the user cancels.
class CommonDialog {
public:
    /// Flag 4 hides the read-only box of the file choosers and keeps the colour
    /// chooser from offering custom colours.
    static constexpr int HideReadOnly = 4;

    CommonDialog() = default;
    CommonDialog(const CommonDialog&) = delete;
    CommonDialog& operator=(const CommonDialog&) = delete;
    virtual ~CommonDialog() = default;

    int Flags() const { return m_flags; }
    void setFlags(int flags) { m_flags = flags; }
    /// "Description|pattern;pattern|Description|pattern".
    QString Filter() const { return m_filter; }
    void setFilter(const QString& filter) { m_filter = filter; }
    /// 1-based index of the chosen filter pair.
    int FilterIndex() const { return m_filterIndex; }
    void setFilterIndex(int index) { m_filterIndex = index; }
    QString FileName() const { return m_fileName; }
    void setFileName(const QString& name) { m_fileName = name; }
    QColor Color() const { return m_color; }
    void setColor(const QColor& color) { m_color = color; }

    /// Asks for a file to open; sets FileName and FilterIndex.
    virtual void ShowOpen() = 0;
    /// Asks for a file to save to, proposing FileName in FilterIndex's filter;
    /// picking another filter changes the proposed name's extension
    /// (withFilterExtension). Sets FileName and FilterIndex.
    virtual void ShowSave() = 0;
    /// Asks for a colour; sets Color.
    virtual void ShowColor() = 0;

private:
    int m_flags = 0;
    QString m_filter;
    int m_filterIndex = 1;
    QString m_fileName;
    QColor m_color = Qt::black;
};

/// Turns "A|*.a;*.b|B|*.c" into Qt name filters: "A (*.a *.b)", "B (*.c)".
/// A description that already ends with its patterns shows them once, and
/// "*.*" becomes "*", which also lists files without an extension.
QStringList nameFiltersFrom(const QString& filter);

/// The file name a save dialog shows once the user picks filter index
/// (1-based) of filter: a name with an extension takes the filter's first
/// one ("report.rtf" becomes "report.txt" with "Text|*.txt"); a name
/// without one, or a filter without one ("*"), leaves the name as it is.
QString withFilterExtension(const QString& fileName, const QString& filter, int index);

/// QFileDialog and QColorDialog, modal over the active window.
class QtCommonDialog final : public CommonDialog {
public:
    QtCommonDialog() = default;
    void ShowOpen() override;
    void ShowSave() override;
    void ShowColor() override;

private:
    void showFileDialog(bool save);
};

} // namespace platform
