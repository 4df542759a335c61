// Writes the program's icon files from the code that draws the window icon:
// make_icons OUTDIR NAME makes OUTDIR/hicolor/<size>x<size>/apps/NAME.png for every installed size
// and OUTDIR/hicolor/scalable/apps/NAME.svg, the same stroke as SVG.
#include "app_icon.h"
#include "results/verdict_pictures.h"

#include <QDir>
#include <QFile>
#include <QPainterPath>
#include <QPen>
#include <cstdio>

using namespace nomispot;

namespace {

QString number(double value) {
    return QString::number(value, 'g', 6);
}

QString svgPathData(const QPainterPath& path) {
    // The SVG command of each element type: move, line, curve, and a curve's further points.
    static constexpr const char* kCommands[] = {"M", "L", "C", ""};
    QStringList parts;
    for (int i = 0; i < path.elementCount(); ++i) {
        const QPainterPath::Element e = path.elementAt(i);
        parts << QString::fromLatin1(kCommands[e.type]) + number(e.x) + u' ' + number(e.y);
    }
    return parts.join(u' ');
}

QString svgCap(Qt::PenCapStyle cap) {
    return QString::fromLatin1(cap == Qt::RoundCap    ? "round"
                               : cap == Qt::SquareCap ? "square"
                                                      : "butt");
}

QString svgJoin(Qt::PenJoinStyle join) {
    return QString::fromLatin1(join == Qt::RoundJoin   ? "round"
                               : join == Qt::BevelJoin ? "bevel"
                                                       : "miter");
}

QByteArray iconSvg() {
    const QRectF frame = appIconFrame();
    const QPen pen = checkPen();
    return QStringLiteral("<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"128\" height=\"128\" "
                          "viewBox=\"%1 %2 %3 %4\">\n"
                          "  <path d=\"%5\" fill=\"none\" stroke=\"%6\" stroke-width=\"%7\" "
                          "stroke-linecap=\"%8\" stroke-linejoin=\"%9\"/>\n"
                          "</svg>\n")
        .arg(number(frame.x()), number(frame.y()), number(frame.width()), number(frame.height()),
             svgPathData(checkStroke()), pen.color().name(), number(pen.widthF()),
             svgCap(pen.capStyle()), svgJoin(pen.joinStyle()))
        .toUtf8();
}

bool makeParent(const QString& path) {
    return QDir().mkpath(QFileInfo(path).path());
}

bool writeFile(const QString& path, const QByteArray& data) {
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(data) == data.size() && file.flush();
}

int cannotWrite(const QString& path) {
    std::fprintf(stderr, "make_icons: cannot write %s\n", qPrintable(path));
    return 1;
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fputs("usage: make_icons OUTDIR NAME\n", stderr);
        return 2;
    }
    const QDir out(QString::fromLocal8Bit(argv[1]) + QStringLiteral("/hicolor"));
    const QString name = QString::fromLocal8Bit(argv[2]);
    for (int size : kAppIconSizes) {
        const QString png = out.filePath(QStringLiteral("%1x%1/apps/%2.png").arg(size).arg(name));
        if (!makeParent(png) || !appIconPicture(size).save(png))
            return cannotWrite(png);
    }
    const QString svg = out.filePath(QStringLiteral("scalable/apps/%1.svg").arg(name));
    if (!makeParent(svg) || !writeFile(svg, iconSvg()))
        return cannotWrite(svg);
    return 0;
}
