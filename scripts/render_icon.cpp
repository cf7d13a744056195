// Build tool: renders the program's SVG icon into the window icon file and
// the installed PNG icons.
//
//   render_icon INPUT.svg OUTPUT.ico|OUTPUT.png [SIZE]
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QSvgRenderer>

#include <cstdio>
#include <cstdlib>

int main(int argc, char *argv[])
{
    QGuiApplication app(argc, argv);
    const int size = argc == 4 ? std::atoi(argv[3]) : 256;
    if (argc < 3 || argc > 4 || size < 1) {
        std::fprintf(stderr, "usage: render_icon INPUT.svg OUTPUT.ico|OUTPUT.png [SIZE]\n");
        return 2;
    }
    QSvgRenderer svg(QString::fromLocal8Bit(argv[1]));
    if (!svg.isValid()) {
        std::fprintf(stderr, "render_icon: cannot read %s\n", argv[1]);
        return 1;
    }
    // Drawn at the size wanted, not scaled down from a large picture, so
    // that small icons stay sharp.
    QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    svg.render(&painter);
    painter.end();
    // The format follows the name's suffix.
    if (!image.save(QString::fromLocal8Bit(argv[2]))) {
        std::fprintf(stderr, "render_icon: cannot write %s\n", argv[2]);
        return 1;
    }
    return 0;
}
