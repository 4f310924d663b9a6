#include "media/file_properties.h"

#include "media/engine.h"
#include "platform/shell.h"

#include <QDateTime>
#include <QDialog>
#include <QDialogButtonBox>
#include <QFileInfo>
#include <QFormLayout>
#include <QFutureWatcher>
#include <QLabel>
#include <QLocale>
#include <QVBoxLayout>

namespace mdProperty {
namespace {

void addRow(QFormLayout* form, const QString& label, const QString& value) {
    auto* text = new QLabel(value);
    text->setTextInteractionFlags(Qt::TextSelectableByMouse);
    text->setWordWrap(true);
    form->addRow(label + QStringLiteral(":"), text);
}

void showOwnWindow(const QFileInfo& info, QWidget* owner) {
    auto* dialog = new QDialog(owner);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    // A folder given with a trailing separator, or the root, has no file name.
    QString name = QFileInfo(info.absoluteFilePath()).fileName();
    if (name.isEmpty())
        name = info.absoluteFilePath();
    dialog->setWindowTitle(name + QStringLiteral("のプロパティ"));
    auto* form = new QFormLayout;
    auto row = [&](const QString& label, const QString& value) {
        addRow(form, label, value);
    };
    const QLocale locale;
    row(QStringLiteral("名前"), name);
    row(QStringLiteral("場所"), QFileInfo(info.absoluteFilePath()).absolutePath());
    if (info.isDir())
        row(QStringLiteral("種類"), QStringLiteral("フォルダー"));
    else
        row(QStringLiteral("サイズ"),
            locale.formattedDataSize(info.size()) +
                QStringLiteral(" (%1 バイト)").arg(locale.toString(info.size())));
    row(QStringLiteral("更新日時"), locale.toString(info.lastModified(), QLocale::LongFormat));
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok);
    QObject::connect(buttons, &QDialogButtonBox::accepted, dialog, &QDialog::accept);
    auto* column = new QVBoxLayout(dialog);
    column->addLayout(form);
    column->addWidget(buttons);
    dialog->show();
    // Only a file is probed (the engine opens nothing else), and the window
    // does not wait for it: the media facts join it when they arrive.
    // The watcher goes with the window, and the facts with it, when the
    // window is closed first.
    if (info.isFile()) {
        auto* probe = new QFutureWatcher<Engine::Facts>(dialog);
        QObject::connect(probe, &QFutureWatcherBase::finished, dialog, [form, dialog, probe] {
            for (const auto& [label, value] : probe->result())
                addRow(form, label, value);
            dialog->adjustSize();
        });
        probe->setFuture(Engine::probeAsync(info.absoluteFilePath()));
    }
}

} // namespace

void ShowFileProperties(const QString& path, QWidget* window) {
    const QFileInfo info(path);
    if (path.isEmpty() || !info.exists())
        return;
    if (shell::showItemProperties(path))
        return;
    showOwnWindow(info, window);
}

} // namespace mdProperty
