// Renders the application icon's SVG into PNGs for the hicolor theme:
// render-icon SVG OUTDIR SIZE... writes OUTDIR/SIZExSIZE.png.

#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QSvgRenderer>
#include <cstdio>

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    const QStringList args = app.arguments();
    QSvgRenderer renderer(args.value(1));
    if (args.size() < 4 || !renderer.isValid()) {
        std::fputs("usage: render-icon SVG OUTDIR SIZE...\n", stderr);
        return 2;
    }
    for (const QString& strSize : args.mid(3)) {
        const int nSize = strSize.toInt();
        QImage image(nSize, nSize, QImage::Format_ARGB32_Premultiplied);
        image.fill(Qt::transparent);
        QPainter painter(&image);
        renderer.render(&painter);
        painter.end();
        if (nSize <= 0 ||
            !image.save(QStringLiteral("%1/%2x%2.png").arg(args.value(2)).arg(nSize))) {
            std::fprintf(stderr, "render-icon: cannot write the %s icon\n", qPrintable(strSize));
            return 1;
        }
    }
    return 0;
}
