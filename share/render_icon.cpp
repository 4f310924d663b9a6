// Renders the application's SVG icon to a PNG of the given size, for the
// icon theme folders of the install.
//   render_icon IN.svg OUT.png SIZE
#include <QGuiApplication>
#include <QIcon>
#include <QImage>
#include <QPixmap>

int main(int argc, char* argv[]) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    if (argc < 4)
        return 2;
    const int size = QByteArray(argv[3]).toInt();
    const QPixmap pixmap = QIcon(QString::fromLocal8Bit(argv[1])).pixmap(size, size);
    return !pixmap.isNull() && pixmap.toImage().save(QString::fromLocal8Bit(argv[2])) ? 0 : 1;
}
