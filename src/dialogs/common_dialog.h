#pragma once

#include <QPointer>
#include <QString>
#include <QWidget>

#include <cstdint>

// The common dialogs behind properties, in the manner of a dialog control:
// set properties, call one Show method, read the results. Failure is reported
// through CancelButton and ErrNumber, never raised. A new object is made for
// each use; fields keep their last values between uses of one object.
class cCommonDlg {
public:
    cCommonDlg();

    // "desc|pattern|desc|pattern"; kept as given and turned into the system's
    // form, each item ended by a NUL.
    void setFilter(const QString& filter);
    const QString& Filter() const { return filter_; }
    const QString& filterBuffer() const { return filterBuffer_; }

    void setMaxFileSize(std::int32_t size) { maxFileSize_ = size; }
    void setFlags(std::int32_t flags) { flags_ = flags; }
    void setDialogTitle(const QString& title) { dialogTitle_ = title; }
    void setInitDir(const QString& dir) { initDir_ = dir; }
    void setDefaultExt(const QString& ext) { defaultExt_ = ext; }
    void setFileTitle(const QString& title) { fileTitle_ = title; }
    const QString& FileTitle() const { return fileTitle_; }
    void setFileName(const QString& name) { fileName_ = name; }
    const QString& FileName() const { return fileName_; }
    void setFilterIndex(std::int16_t index) { filterIndex_ = index; }

    std::int32_t Color() const { return color_; }
    void setColor(std::int32_t rgb) { color_ = rgb; }
    std::int32_t Max() const { return max_; }
    void setMax(std::int32_t v) { max_ = v; }
    std::int32_t Min() const { return min_; }
    void setMin(std::int32_t v) { min_ = v; }
    std::int32_t hdc() const { return hdc_; }
    void sethdc(std::int32_t v) { hdc_ = v; }
    std::int32_t FromPage() const { return fromPage_; }
    void setFromPage(std::int32_t v) { fromPage_ = v; }
    std::int32_t ToPage() const { return toPage_; }
    void setToPage(std::int32_t v) { toPage_ = v; }
    std::int32_t Copies() const { return copies_; }
    void setCopies(std::int32_t v) { copies_ = v; }
    std::int32_t PrinterDefault() const { return printerDefault_; }
    void setPrinterDefault(std::int32_t v) { printerDefault_ = v; }

    // The owner of the dialogs; setting it copies its font into the font fields.
    QWidget* Form() const { return form_; }
    void setForm(QWidget* form);

    bool FontBold() const { return fontBold_; }
    void setFontBold(bool v) { fontBold_ = v; }
    bool FontItalic() const { return fontItalic_; }
    void setFontItalic(bool v) { fontItalic_ = v; }
    bool FontStrikethru() const { return fontStrikethru_; }
    void setFontStrikethru(bool v) { fontStrikethru_ = v; }
    bool FontUnderline() const { return fontUnderline_; }
    void setFontUnderline(bool v) { fontUnderline_ = v; }
    const QString& FontName() const { return fontName_; }
    void setFontName(const QString& v) { fontName_ = v; }
    std::int16_t FontSize() const { return fontSize_; }
    void setFontSize(std::int16_t v) { fontSize_ = v; }

    bool CancelError() const { return cancelError_; }
    void setCancelError(bool v) { cancelError_ = v; }
    bool CancelButton() const { return cancelButton_; }
    std::int32_t ErrNumber() const { return errNumber_; }
    QString ErrDescription() const { return QStringLiteral("Error"); }

    // Kind of the last dialog: 1 open, 2 save, 3 colour, 4 font, 5 printer.
    // Setting it runs that dialog; any other value is only stored.
    std::int16_t Action() const { return action_; }
    void setAction(std::int16_t action);

    void ShowOpen() { ShowFileDialog(1); }
    void ShowSave() { ShowFileDialog(2); }
    void ShowColor();
    void ShowFont();
    void ShowPrinter();

private:
    void ShowFileDialog(int kind);

    QPointer<QWidget> form_;
    std::int32_t lastResult_ = 0;
    std::int32_t errNumber_ = 0;
    bool cancelButton_ = false;
    std::int16_t action_ = 0;
    bool cancelError_ = false;
    QString filterBuffer_;
    QString filter_;
    std::int32_t maxFileSize_ = 255;
    QString dialogTitle_ = QStringLiteral("Open File");
    QString initDir_;
    QString fileName_;
    std::int16_t filterIndex_ = 0;
    std::int32_t flags_ = 0;
    QString defaultExt_;
    QString fileTitle_ = QString(254, u' ');
    std::int32_t color_ = 0;
    bool fontBold_ = false, fontItalic_ = false;
    QString fontName_;
    std::int16_t fontSize_ = 0;
    bool fontStrikethru_ = false, fontUnderline_ = false;
    std::int32_t max_ = 0, min_ = 0, hdc_ = 0;
    std::int32_t fromPage_ = 0, toPage_ = 0, copies_ = 0;
    std::int32_t printerDefault_ = 0;
};
