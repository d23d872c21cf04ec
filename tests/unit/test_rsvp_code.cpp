// The RSVP number's code, read back by an independent reader (zbarimg).
#include "generation/RsvpCode.h"
#include "tests/support/Pictures.h"

#include <QTemporaryDir>
#include <QTest>

using namespace velmora;

namespace {

bool black(const QImage& picture, int x, int y)
{
    return qGray(picture.pixel(x, y)) < 128;
}

} // namespace

class TestRsvpCode : public QObject {
    Q_OBJECT
private slots:
    void readsBackAsDialled_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("uri");
        QTest::addColumn<int>("pixelsPerModule");
        QTest::addColumn<bool>("code");
        const QString digits = QStringLiteral("0123456789").repeated(50);
        QTest::newRow("plain number") << "555-0102"
                                      << "tel:5550102" << 4 << true;
        QTest::newRow("international, brackets, spaces") << "+1 (555) 010-2030"
                                                         << "tel:+15550102030" << 3 << true;
        QTest::newRow("words around it") << "Mum: +44 20 7946 0958, evenings"
                                         << "tel:+442079460958" << 2 << true;
        QTest::newRow("plus after a digit is no prefix") << "0 +555"
                                                         << "tel:0555" << 5 << true;
        QTest::newRow("letters only") << "call Mum"
                                      << "" << 4 << false;
        QTest::newRow("very long text") << "Ring " + digits + " any evening, ask for Orla"
                                        << "tel:" + digits << 2 << true;
        QTest::newRow("too long for any code")
            << digits.repeated(16) << "tel:" + digits.repeated(16) << 1 << false;
    }
    void readsBackAsDialled()
    {
        QFETCH(QString, typed);
        QFETCH(QString, uri);
        QFETCH(int, pixelsPerModule);
        QFETCH(bool, code);
        QCOMPARE(rsvp::telUri(typed), uri);
        const QImage picture = rsvp::codePicture(rsvp::telUri(typed), pixelsPerModule);
        QCOMPARE(!picture.isNull(), code);
        if (!code)
            return;

        QTemporaryDir folder;
        QCOMPARE(testing::codesIn(picture, folder.path()), uri);

        // Whole modules, and a white quiet zone of four modules all round.
        const int side = picture.width();
        const int quiet = 4 * pixelsPerModule;
        QVERIFY(side == picture.height() && side % pixelsPerModule == 0);
        for (const QRect& band : {QRect(0, 0, side, quiet), QRect(0, side - quiet, side, quiet),
                                  QRect(0, 0, quiet, side), QRect(side - quiet, 0, quiet, side)}) {
            QImage white(band.size(), picture.format());
            white.fill(Qt::white);
            QCOMPARE(picture.copy(band), white);
        }
        // The finder pattern's corner is the first module inside the zone.
        QVERIFY(black(picture, quiet, quiet));
        // Error correction M: the format's first two bits, masked, are 1 0
        // (row 8, columns 0 and 1 of the symbol).
        const auto module = [&](int column, int row) {
            return black(picture, quiet + column * pixelsPerModule + pixelsPerModule / 2,
                         quiet + row * pixelsPerModule + pixelsPerModule / 2);
        };
        QVERIFY(module(0, 8));
        QVERIFY(!module(1, 8));
    }
};

QTEST_GUILESS_MAIN(TestRsvpCode)
#include "test_rsvp_code.moc"
