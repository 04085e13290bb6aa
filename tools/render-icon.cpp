// Renders the program's SVG icon as a square PNG of the given size:
//   qg_render_icon <icon.svg> <out.png> <size>
// Used by the build to make the hicolor PNG icons from the one SVG source.
#include <QCoreApplication>
#include <QImage>
#include <QPainter>
#include <QSvgRenderer>
#include <QTextStream>

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    const QStringList args = QCoreApplication::arguments();
    QTextStream err(stderr);
    bool sizeOk = false;
    const int size = args.size() == 4 ? args.at(3).toInt(&sizeOk) : 0;
    if (!sizeOk || size <= 0) {
        err << "usage: qg_render_icon <icon.svg> <out.png> <size>\n";
        return 2;
    }
    QSvgRenderer svg(args.at(1));
    if (!svg.isValid()) {
        err << "cannot read " << args.at(1) << '\n';
        return 1;
    }
    QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    svg.render(&painter, QRectF(0, 0, size, size));
    painter.end();
    if (!image.convertToFormat(QImage::Format_ARGB32).save(args.at(2), "PNG")) {
        err << "cannot write " << args.at(2) << '\n';
        return 1;
    }
    return 0;
}
