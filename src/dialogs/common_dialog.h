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

    // The owner of the dialogs.
    QWidget* Form() const { return form_; }
    void setForm(QWidget* form) { form_ = form; }

    bool CancelError() const { return cancelError_; }
    void setCancelError(bool v) { cancelError_ = v; }
    bool CancelButton() const { return cancelButton_; }
    std::int32_t ErrNumber() const { return errNumber_; }
    QString ErrDescription() const { return QStringLiteral("Error"); }

    // Kind of the last dialog: 1 open, 2 save. Setting it runs that dialog;
    // any other value is only stored.
    std::int16_t Action() const { return action_; }
    void setAction(std::int16_t action);

    void ShowOpen() { ShowFileDialog(1); }
    void ShowSave() { ShowFileDialog(2); }

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
};
