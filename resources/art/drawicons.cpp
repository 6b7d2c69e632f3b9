// Draws the program's own pictograms: the button icons of the forms
// (icon/res/*.png) and one 256 x 256 picture per tool of the tool table,
// from which scripts/draw-icons makes the tools' .ico files. Usage:
//   drawicons <button-icon folder> <tool picture folder>

#include "tooltable.h"

#include <QtGui>

namespace {

const QColor white(255, 255, 255);

// ------------------------------------------------------------ button icons

const int S = 96; // button icon canvas

QPen glyphPen(qreal width = 9)
{
    return QPen(white, width, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
}

void disc(QPainter& p, const QColor& colour)
{
    QRadialGradient g(QPointF(40, 30), 60);
    g.setColorAt(0, colour.lighter(125));
    g.setColorAt(1, colour);
    p.setPen(QPen(white, 3));
    p.setBrush(g);
    p.drawEllipse(QRectF(3, 3, S - 6, S - 6));
}

void arrowHead(QPainter& p, QPointF tip, qreal angleDegrees, qreal size)
{
    QTransform t;
    t.translate(tip.x(), tip.y());
    t.rotate(angleDegrees);
    QPolygonF head;
    head << QPointF(0, 0) << QPointF(-size, -size * 0.75) << QPointF(-size, size * 0.75);
    p.setPen(Qt::NoPen);
    p.setBrush(white);
    p.drawPolygon(t.map(head));
}

struct ButtonIcon
{
    const char* file;
    QColor colour;
    std::function<void(QPainter&, const QColor&)> glyph;
};

void folderShape(QPainter& p, const QColor& c, bool open)
{
    QPainterPath back;
    back.moveTo(22, 30);
    back.lineTo(40, 30);
    back.lineTo(46, 36);
    back.lineTo(74, 36);
    back.lineTo(74, 68);
    back.lineTo(22, 68);
    back.closeSubpath();
    p.setPen(Qt::NoPen);
    p.setBrush(white);
    p.drawPath(back);
    QPainterPath front;
    if (open) {
        front.moveTo(30, 46);
        front.lineTo(80, 46);
        front.lineTo(70, 68);
        front.lineTo(20, 68);
    } else {
        front.moveTo(22, 42);
        front.lineTo(74, 42);
        front.lineTo(74, 68);
        front.lineTo(22, 68);
    }
    front.closeSubpath();
    p.setBrush(c.lighter(160));
    p.drawPath(front);
}

QList<ButtonIcon> buttonIcons()
{
    const QColor green(46, 160, 67), orange(239, 124, 0), blue(33, 118, 210), red(211, 47, 47),
        slate(96, 125, 139), teal(0, 137, 123), amber(240, 160, 20), indigo(57, 73, 171);
    return {
        {"170265 - add cross health hospital medical new plus.png", green,
         [](QPainter& p, const QColor&) {
             p.setPen(glyphPen());
             p.drawLine(QPointF(48, 27), QPointF(48, 69));
             p.drawLine(QPointF(27, 48), QPointF(69, 48));
         }},
        {"170274 - cancel close delete exit minus remove subtract.png", orange,
         [](QPainter& p, const QColor&) {
             p.setPen(glyphPen());
             p.drawLine(QPointF(27, 48), QPointF(69, 48));
         }},
        {"170300 - arrow back chargeback left previous return undo.png", blue,
         [](QPainter& p, const QColor&) {
             p.setPen(glyphPen());
             p.drawLine(QPointF(68, 48), QPointF(34, 48));
             p.drawPolyline(QPolygonF() << QPointF(48, 31) << QPointF(30, 48) << QPointF(48, 65));
         }},
        {"170249 - arrow forward go right media next play send mail.png", blue,
         [](QPainter& p, const QColor&) {
             p.setPen(glyphPen());
             p.drawLine(QPointF(28, 48), QPointF(62, 48));
             p.drawPolyline(QPolygonF() << QPointF(48, 31) << QPointF(66, 48) << QPointF(48, 65));
         }},
        {"170368 - begin music next play play button player start.png", green,
         [](QPainter& p, const QColor&) {
             p.setPen(QPen(white, 4, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
             p.setBrush(white);
             p.drawPolygon(QPolygonF() << QPointF(38, 28) << QPointF(38, 68) << QPointF(71, 48));
         }},
        {"170384 - apply check mark ok tick valid yes.png", green,
         [](QPainter& p, const QColor&) {
             p.setPen(glyphPen(10));
             p.drawPolyline(QPolygonF() << QPointF(27, 50) << QPointF(42, 65) << QPointF(69, 33));
         }},
        {"170323 - cancel close delete exit remove trash x cross.png", red,
         [](QPainter& p, const QColor&) {
             p.setPen(glyphPen());
             p.drawLine(QPointF(33, 33), QPointF(63, 63));
             p.drawLine(QPointF(63, 33), QPointF(33, 63));
         }},
        {"170233 - arrow fast forward rewind right shift track.png", slate,
         [](QPainter& p, const QColor&) {
             p.setPen(QPen(white, 3, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
             p.setBrush(white);
             p.drawPolygon(QPolygonF() << QPointF(24, 31) << QPointF(24, 65) << QPointF(47, 48));
             p.drawPolygon(QPolygonF() << QPointF(48, 31) << QPointF(48, 65) << QPointF(71, 48));
         }},
        {"170349 - building company home house office real estate res.png", blue,
         [](QPainter& p, const QColor& c) {
             p.setPen(Qt::NoPen);
             p.setBrush(white);
             p.drawPolygon(QPolygonF() << QPointF(48, 22) << QPointF(74, 46) << QPointF(66, 46) << QPointF(66, 72)
                                       << QPointF(30, 72) << QPointF(30, 46) << QPointF(22, 46));
             p.setBrush(c);
             p.drawRoundedRect(QRectF(42, 54, 12, 18), 2, 2);
         }},
        {"170333 - browser earth global globe planet seo world.png", teal,
         [](QPainter& p, const QColor&) {
             p.setPen(QPen(white, 5));
             p.setBrush(Qt::NoBrush);
             p.drawEllipse(QPointF(48, 48), 25, 25);
             p.setPen(QPen(white, 4));
             p.drawEllipse(QPointF(48, 48), 11, 25);
             p.drawLine(QPointF(23, 48), QPointF(73, 48));
             p.drawLine(QPointF(28, 36), QPointF(68, 36));
             p.drawLine(QPointF(28, 60), QPointF(68, 60));
         }},
        {"170273 - data directory document documents files folder ope.png", amber,
         [](QPainter& p, const QColor& c) { folderShape(p, c, true); }},
        {"170256 - catalog directory file folder inventory open file .png", amber,
         [](QPainter& p, const QColor& c) { folderShape(p, c, false); }},
        {"170341 - document file menu note report schedule task list.png", slate,
         [](QPainter& p, const QColor& c) {
             QPainterPath page;
             page.moveTo(30, 20);
             page.lineTo(56, 20);
             page.lineTo(68, 32);
             page.lineTo(68, 76);
             page.lineTo(30, 76);
             page.closeSubpath();
             p.setPen(Qt::NoPen);
             p.setBrush(white);
             p.drawPath(page);
             p.setPen(QPen(c, 4, Qt::SolidLine, Qt::RoundCap));
             for (int y : {40, 50, 60})
                 p.drawLine(QPointF(37, y), QPointF(61, y));
         }},
        {"394992 - clear delete erase eraser recycle remove trash.png", red,
         [](QPainter& p, const QColor& c) {
             p.setPen(Qt::NoPen);
             p.setBrush(white);
             p.drawPolygon(QPolygonF() << QPointF(32, 38) << QPointF(64, 38) << QPointF(60, 74) << QPointF(36, 74));
             p.drawRoundedRect(QRectF(26, 29, 44, 6), 2, 2);
             p.drawRoundedRect(QRectF(41, 23, 14, 6), 2, 2);
             p.setPen(QPen(c, 3.5, Qt::SolidLine, Qt::RoundCap));
             for (int x : {42, 48, 54})
                 p.drawLine(QPointF(x, 45), QPointF(x, 67));
         }},
        {"170338 - arrows refresh reload renew repeat sync update.png", teal,
         [](QPainter& p, const QColor&) {
             p.setPen(QPen(white, 7, Qt::SolidLine, Qt::FlatCap));
             p.setBrush(Qt::NoBrush);
             const QRectF r(27, 27, 42, 42);
             p.drawArc(r, 20 * 16, 140 * 16);
             p.drawArc(r, 200 * 16, 140 * 16);
             arrowHead(p, QPointF(30.5, 36), 110, 12);
             arrowHead(p, QPointF(65.5, 60), -70, 12);
         }},
        {"170243 - data disk diskette disks floppy save save all.png", indigo,
         [](QPainter& p, const QColor& c) {
             p.setPen(Qt::NoPen);
             p.setBrush(white);
             p.drawPolygon(QPolygonF() << QPointF(25, 25) << QPointF(64, 25) << QPointF(71, 32) << QPointF(71, 71)
                                       << QPointF(25, 71));
             p.setBrush(c);
             p.drawRect(QRectF(34, 25, 26, 16));
             p.setBrush(white);
             p.drawRect(QRectF(50, 28, 6, 10));
             p.setBrush(c.lighter(150));
             p.drawRoundedRect(QRectF(33, 50, 30, 17), 2, 2);
         }},
    };
}

// ------------------------------------------------------------ tool pictures

const int T = 256;

struct ToolIcon
{
    Tool tool;  // the file is named after the tool's row of the tool table
    QColor colour;
    std::function<void(QPainter&, const QColor&)> glyph;
};

QPen toolPen(const QColor& c, qreal width = 10)
{
    return QPen(c, width, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
}

// A white page with a folded corner; glyphs are drawn on it in the theme colour.
void page(QPainter& p, const QColor& c)
{
    QPainterPath sheet;
    sheet.moveTo(66, 34);
    sheet.lineTo(156, 34);
    sheet.lineTo(192, 70);
    sheet.lineTo(192, 224);
    sheet.lineTo(66, 224);
    sheet.closeSubpath();
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0, 0, 0, 40));
    p.drawPath(sheet.translated(5, 6));
    p.setBrush(white);
    p.drawPath(sheet);
    QPainterPath fold;
    fold.moveTo(156, 34);
    fold.lineTo(156, 70);
    fold.lineTo(192, 70);
    fold.closeSubpath();
    p.setBrush(c.lighter(170));
    p.drawPath(fold);
}

void smallSheet(QPainter& p, const QColor& c, const QRectF& r, bool filled)
{
    p.setPen(toolPen(c, 6));
    p.setBrush(filled ? QBrush(c) : QBrush(Qt::NoBrush));
    p.drawRoundedRect(r, 4, 4);
}

void arrow(QPainter& p, const QColor& c, QPointF from, QPointF to, qreal width = 8, qreal head = 16)
{
    p.setPen(toolPen(c, width));
    const QLineF line(from, to);
    QLineF shaft(from, line.pointAt(1 - head * 0.6 / line.length()));
    p.drawLine(shaft);
    QTransform t;
    t.translate(to.x(), to.y());
    t.rotate(-line.angle());
    QPolygonF h;
    h << QPointF(0, 0) << QPointF(-head, -head * 0.7) << QPointF(-head, head * 0.7);
    p.setPen(Qt::NoPen);
    p.setBrush(c);
    p.drawPolygon(t.map(h));
}

void picture(QPainter& p, const QColor& c, const QRectF& r)
{
    p.setPen(toolPen(c, 7));
    p.setBrush(Qt::NoBrush);
    p.drawRoundedRect(r, 6, 6);
    p.setPen(Qt::NoPen);
    p.setBrush(c);
    p.drawEllipse(QPointF(r.left() + r.width() * 0.72, r.top() + r.height() * 0.3), r.width() * 0.09, r.width() * 0.09);
    p.drawPolygon(QPolygonF() << QPointF(r.left() + 6, r.bottom() - 6) << QPointF(r.left() + r.width() * 0.38, r.top() + r.height() * 0.42)
                              << QPointF(r.left() + r.width() * 0.62, r.bottom() - 6));
    p.drawPolygon(QPolygonF() << QPointF(r.left() + r.width() * 0.5, r.bottom() - 6) << QPointF(r.left() + r.width() * 0.72, r.top() + r.height() * 0.58)
                              << QPointF(r.right() - 6, r.bottom() - 6));
}

void textGlyph(QPainter& p, const QColor& c, const QRectF& r, const QString& text, int pixelSize)
{
    QFont f(QStringLiteral("DejaVu Sans"));
    f.setBold(true);
    f.setPixelSize(pixelSize);
    p.setFont(f);
    p.setPen(c);
    p.drawText(r, Qt::AlignCenter, text);
}

QList<ToolIcon> toolIcons()
{
    return {
        {Tool::Merger, QColor(30, 90, 200),
         [](QPainter& p, const QColor& c) {
             smallSheet(p, c, QRectF(84, 84, 36, 44), false);
             smallSheet(p, c, QRectF(138, 84, 36, 44), false);
             arrow(p, c, QPointF(102, 134), QPointF(122, 160));
             arrow(p, c, QPointF(156, 134), QPointF(136, 160));
             smallSheet(p, c, QRectF(108, 168, 42, 40), true);
         }},
        {Tool::Splitter, QColor(0, 137, 123),
         [](QPainter& p, const QColor& c) {
             smallSheet(p, c, QRectF(108, 82, 42, 40), true);
             arrow(p, c, QPointF(122, 130), QPointF(102, 156));
             arrow(p, c, QPointF(136, 130), QPointF(156, 156));
             smallSheet(p, c, QRectF(84, 164, 36, 44), false);
             smallSheet(p, c, QRectF(138, 164, 36, 44), false);
         }},
        {Tool::Watermark, QColor(0, 150, 199),
         [](QPainter& p, const QColor& c) {
             QPainterPath drop;
             drop.moveTo(129, 84);
             drop.cubicTo(150, 120, 170, 140, 170, 165);
             drop.arcTo(QRectF(88, 124, 82, 82), 0, -180);
             drop.cubicTo(88, 140, 108, 120, 129, 84);
             p.setPen(Qt::NoPen);
             p.setBrush(c);
             p.drawPath(drop);
             p.setPen(toolPen(white, 7));
             p.drawArc(QRectF(102, 140, 52, 52), 200 * 16, 70 * 16);
         }},
        {Tool::PageResizer, QColor(94, 53, 177),
         [](QPainter& p, const QColor& c) {
             p.setPen(toolPen(c, 7));
             p.setBrush(Qt::NoBrush);
             p.drawRect(QRectF(88, 96, 82, 108));
             arrow(p, c, QPointF(129, 150), QPointF(96, 104), 8, 18);
             arrow(p, c, QPointF(129, 150), QPointF(162, 196), 8, 18);
         }},
        {Tool::ImagesToPdf, QColor(216, 67, 21),
         [](QPainter& p, const QColor& c) { picture(p, c, QRectF(84, 96, 90, 76)); textGlyph(p, c, QRectF(66, 176, 126, 40), QStringLiteral("PDF"), 30); }},
        {Tool::Compressor, QColor(46, 125, 50),
         [](QPainter& p, const QColor& c) {
             arrow(p, c, QPointF(129, 80), QPointF(129, 126), 9, 20);
             arrow(p, c, QPointF(129, 212), QPointF(129, 166), 9, 20);
             p.setPen(toolPen(c, 9));
             p.drawLine(QPointF(92, 146), QPointF(166, 146));
         }},
        {Tool::PdfToImages, QColor(194, 24, 91),
         [](QPainter& p, const QColor& c) {
             p.setPen(toolPen(c, 6));
             p.setBrush(Qt::NoBrush);
             p.drawRoundedRect(QRectF(100, 88, 80, 66), 6, 6);
             p.setBrush(white);
             p.setPen(Qt::NoPen);
             p.drawRect(QRectF(80, 106, 86, 80));
             picture(p, c, QRectF(84, 110, 80, 70));
             textGlyph(p, c, QRectF(66, 182, 126, 36), QStringLiteral("IMG"), 26);
         }},
        {Tool::BatchPrint, QColor(69, 90, 100),
         [](QPainter& p, const QColor& c) {
             p.setPen(Qt::NoPen);
             p.setBrush(c);
             p.drawRoundedRect(QRectF(82, 128, 94, 50), 8, 8);
             p.setPen(toolPen(c, 6));
             p.setBrush(Qt::NoBrush);
             p.drawRect(QRectF(102, 92, 54, 36));
             p.setBrush(white);
             p.drawRect(QRectF(102, 160, 54, 44));
             p.setPen(toolPen(c, 4));
             p.drawLine(QPointF(112, 174), QPointF(146, 174));
             p.drawLine(QPointF(112, 188), QPointF(140, 188));
         }},
        {Tool::WordCount, QColor(121, 85, 72),
         [](QPainter& p, const QColor& c) {
             textGlyph(p, c, QRectF(66, 84, 126, 56), QStringLiteral("Aa"), 50);
             textGlyph(p, c, QRectF(66, 146, 126, 56), QStringLiteral("123"), 44);
         }},
        {Tool::RotateAndCrop, QColor(57, 73, 171),
         [](QPainter& p, const QColor& c) {
             p.setPen(toolPen(c, 9));
             p.setBrush(Qt::NoBrush);
             p.drawArc(QRectF(92, 104, 76, 76), 100 * 16, 260 * 16);
             arrow(p, c, QPointF(118, 106), QPointF(136, 103), 9, 20);
             p.setPen(toolPen(c, 6));
             p.drawPolyline(QPolygonF() << QPointF(84, 130) << QPointF(84, 204) << QPointF(158, 204));
         }},
        {Tool::ImageExtractor, QColor(230, 120, 0),
         [](QPainter& p, const QColor& c) {
             picture(p, c, QRectF(84, 130, 90, 76));
             arrow(p, c, QPointF(129, 124), QPointF(129, 76), 9, 20);
         }},
        {Tool::PageRemover, QColor(198, 40, 40),
         [](QPainter& p, const QColor& c) {
             p.setPen(toolPen(c, 14));
             p.drawLine(QPointF(100, 110), QPointF(158, 168));
             p.drawLine(QPointF(158, 110), QPointF(100, 168));
             p.setPen(toolPen(c, 6));
             p.drawLine(QPointF(92, 196), QPointF(166, 196));
         }},
        {Tool::InfoChanger, QColor(106, 27, 154),
         [](QPainter& p, const QColor& c) {
             p.setPen(Qt::NoPen);
             p.setBrush(c);
             p.drawEllipse(QPointF(129, 148), 44, 44);
             textGlyph(p, white, QRectF(85, 104, 88, 88), QStringLiteral("i"), 64);
         }},
        {Tool::PdfToText, QColor(85, 139, 47),
         [](QPainter& p, const QColor& c) {
             p.setPen(toolPen(c, 8));
             const qreal widths[] = {96, 80, 96, 64, 88};
             for (int i = 0; i < 5; ++i)
                 p.drawLine(QPointF(82, 96 + i * 24), QPointF(82 + widths[i], 96 + i * 24));
         }},
        {Tool::TextToPdf, QColor(0, 96, 100),
         [](QPainter& p, const QColor& c) {
             textGlyph(p, c, QRectF(66, 80, 126, 90), QStringLiteral("T"), 96);
             textGlyph(p, c, QRectF(66, 170, 126, 40), QStringLiteral("PDF"), 30);
         }},
    };
}

QImage canvas(int side)
{
    QImage image(side, side, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    return image;
}

} // namespace

int main(int argc, char* argv[])
{
    QGuiApplication app(argc, argv);
    if (argc != 3) {
        qWarning("usage: drawicons <button icon folder> <tool picture folder>");
        return 2;
    }
    const QDir buttons(QString::fromLocal8Bit(argv[1]));
    const QDir tools(QString::fromLocal8Bit(argv[2]));

    for (const ButtonIcon& icon : buttonIcons()) {
        QImage image = canvas(S);
        QPainter p(&image);
        p.setRenderHint(QPainter::Antialiasing);
        disc(p, icon.colour);
        icon.glyph(p, icon.colour);
        p.end();
        if (!image.save(buttons.filePath(QString::fromUtf8(icon.file)), "PNG"))
            return 1;
    }

    if (toolIcons().size() != toolTable().size()) {
        qWarning("drawicons: every tool of the table needs its picture");
        return 1;
    }
    for (const ToolIcon& icon : toolIcons()) {
        QImage image = canvas(T);
        QPainter p(&image);
        p.setRenderHint(QPainter::Antialiasing);
        // Full-bleed rounded square: the top rows are the pure theme colour,
        // which the program reads back from pixel (156, 1).
        p.setPen(Qt::NoPen);
        p.setBrush(icon.colour);
        p.drawRoundedRect(QRectF(0, 0, T, T), 44, 44);
        page(p, icon.colour);
        icon.glyph(p, icon.colour);
        p.end();
        const ToolRow* row = findTool(int(icon.tool));
        const QString name = row->iconFileName().replace(QStringLiteral(".ico"), QStringLiteral(".png"));
        if (!image.save(tools.filePath(name), "PNG"))
            return 1;
    }
    return 0;
}
