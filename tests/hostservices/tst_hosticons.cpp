// The pictures the plug-in's windows load by path, as the host library carries them.
#include <QImage>
#include <QTest>
#include <QtMath>

class TestHostIcons : public QObject
{
    Q_OBJECT

private slots:
    void loads_data();
    void loads();
    void buttonStates();
    void busyFramesTurn();
};

namespace {

// Status button sets, each in the order the button takes it: disabled, pressed, hover, normal.
const QVector<QStringList> kStatusSets = {
    {QStringLiteral(":/Resource/icon24_no_task-disabled.png"), QStringLiteral(":/Resource/icon24_no_task-pressed.png"),
        QStringLiteral(":/Resource/icon24_no_task-hover.png"), QStringLiteral(":/Resource/icon24_no_task-normal.png")},
    {QStringLiteral(":/Resource/icon24_pause all-disabled.png"),
        QStringLiteral(":/Resource/icon24_pause all-pressed.png"),
        QStringLiteral(":/Resource/icon24_pause all-hover.png"),
        QStringLiteral(":/Resource/icon24_pause all-normal.png")},
    {QStringLiteral(":/Resource/icon24_all failed-disabled.png"),
        QStringLiteral(":/Resource/icon24_all failed-pressed.png"),
        QStringLiteral(":/Resource/icon24_all failed-hover.png"),
        QStringLiteral(":/Resource/icon24_all failed-normal.png")},
};
enum State { Disabled, Pressed, Hover, Normal };

// The busy set of animation step `frame` (0 to 11), named as the button's timer names it.
QStringList deliverySet(int frame)
{
    QStringList set = {QStringLiteral(":/Resource/icon24_delivery-disabled0%1.png"),
        QStringLiteral(":/Resource/icon24_delivery-pressed0%1.png"),
        QStringLiteral(":/Resource/icon24_delivery-hover0%1.png"),
        QStringLiteral(":/Resource/icon24_delivery-normal0%1.png")};
    for (QString &path : set)
        path = path.arg(frame + 1);
    return set;
}

QVector<QStringList> allSets()
{
    QVector<QStringList> sets = kStatusSets;
    for (int frame = 0; frame < 12; ++frame)
        sets.append(deliverySet(frame));
    return sets;
}

// Premultiplied, so that fully transparent pixels compare equal whatever colour they were given.
QImage load(const QString &path)
{
    return QImage(path).convertToFormat(QImage::Format_ARGB32_Premultiplied);
}

// Mean difference per channel, 0 to 255.
double difference(const QImage &a, const QImage &b)
{
    double sum = 0;
    for (int y = 0; y < a.height(); ++y) {
        const auto *pa = reinterpret_cast<const uchar *>(a.constScanLine(y));
        const auto *pb = reinterpret_cast<const uchar *>(b.constScanLine(y));
        for (int i = 0; i < a.width() * 4; ++i)
            sum += qAbs(pa[i] - pb[i]);
    }
    return sum / (a.width() * a.height() * 4.0);
}

// Coverage and the coverage-weighted lightness and saturation of what is drawn.
struct Ink {
    double alpha = 0, lightness = 0, saturation = 0;
};

Ink ink(const QImage &image)
{
    Ink result;
    double weight = 0;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            const QColor colour = image.pixelColor(x, y);
            weight += colour.alphaF();
            result.lightness += colour.alphaF() * colour.lightnessF();
            result.saturation += colour.alphaF() * colour.hslSaturationF();
        }
    }
    result.alpha = weight / (image.width() * image.height());
    result.lightness /= weight;
    result.saturation /= weight;
    return result;
}

} // namespace

void TestHostIcons::loads_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<QSize>("size");
    QTest::newRow("img278") << QStringLiteral(":/Resource/img278.png") << QSize(278, 190);
    for (const char *name : {"icon24_success", "icon24_info", "icon24_alert"})
        QTest::newRow(name) << QStringLiteral(":/Resource/%1.png").arg(QLatin1String(name)) << QSize(24, 24);
    for (const char *name : {"img40_video", "img40_music", "img40_picture", "img40_srt", "icon40_project"})
        QTest::newRow(name) << QStringLiteral(":/Resource/%1.png").arg(QLatin1String(name)) << QSize(40, 40);
    for (const QStringList &set : allSets()) {
        for (const QString &path : set)
            QTest::newRow(qPrintable(path.mid(11))) << path << QSize(24, 24);
    }
}

void TestHostIcons::loads()
{
    QFETCH(QString, path);
    QFETCH(QSize, size);
    const QImage image = load(path);
    QCOMPARE(image.size(), size);
    QVERIFY(ink(image).alpha > 0.05);

    // Qt takes the sibling named "@2x" on high-DPI screens; it must be the same drawing, not another one.
    const QString twicePath = path.chopped(4) + QLatin1String("@2x.png");
    const QImage twice = load(twicePath);
    QCOMPARE(twice.size(), size * 2);
    QCOMPARE(twice.devicePixelRatio(), 2.0);
    const double apart = difference(image, twice.scaled(size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation));
    QVERIFY2(apart < 2.5, qPrintable(QString::number(apart)));
}

void TestHostIcons::buttonStates()
{
    for (const QStringList &set : allSets()) {
        QVector<QImage> images;
        for (const QString &path : set)
            images.append(load(path));
        for (int a = 0; a < 4; ++a) {
            for (int b = a + 1; b < 4; ++b)
                QVERIFY2(difference(images[a], images[b]) > 2, qPrintable(set[a] + QLatin1String(" = ") + set[b]));
        }
        const Ink disabled = ink(images[Disabled]), pressed = ink(images[Pressed]), hover = ink(images[Hover]),
                  normal = ink(images[Normal]);
        QVERIFY2(hover.lightness > normal.lightness && normal.lightness > pressed.lightness, qPrintable(set[Normal]));
        QVERIFY2(disabled.saturation < 0.15 && disabled.alpha < 0.7 * normal.alpha, qPrintable(set[Disabled]));
    }
}

void TestHostIcons::busyFramesTurn()
{
    // The accent arc is the only coloured part: its centre of mass has to go a twelfth of a turn
    // clockwise from one frame to the next, the twelfth leading back to the first.
    QVector<qreal> angles;
    for (int frame = 0; frame < 12; ++frame) {
        const QImage image = load(deliverySet(frame)[Normal]);
        QPointF sum;
        qreal weight = 0;
        for (int y = 0; y < image.height(); ++y) {
            for (int x = 0; x < image.width(); ++x) {
                const QColor colour = image.pixelColor(x, y);
                const qreal w = colour.alphaF() * colour.hslSaturationF();
                sum += w * QPointF(x + 0.5, y + 0.5);
                weight += w;
            }
        }
        const QPointF offset = sum / weight - QPointF(12, 12);
        angles.append(qRadiansToDegrees(qAtan2(offset.y(), offset.x())));
    }
    for (int frame = 0; frame < 12; ++frame) {
        const qreal step = std::fmod(angles[(frame + 1) % 12] - angles[frame] + 360.0, 360.0);
        QVERIFY2(qAbs(step - 30) < 8, qPrintable(QStringLiteral("frame %1 turns %2").arg(frame + 1).arg(step)));
    }
}

QTEST_GUILESS_MAIN(TestHostIcons)
#include "tst_hosticons.moc"
