// Inputs that broke the conversion, found while fuzzing it, replayed through
// the fuzz target's own entry point (fuzz/ConversionFuzzer.cpp): a first
// byte for the settings, then the source file. A conversion may fail,
// but must say why and leave nothing behind; the entry point aborts where it
// does not, and the sanitizer build (scripts/test.sh) catches the rest.
#include <QDir>
#include <QFile>
#include <QtTest>

#include <cstdint>

extern "C" int LLVMFuzzerInitialize(int *argc, char ***argv);
extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size);

class TestFuzzRegressions : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void replay_data();
    void replay();
};

void TestFuzzRegressions::initTestCase()
{
    LLVMFuzzerInitialize(nullptr, nullptr);
}

void TestFuzzRegressions::replay_data()
{
    QTest::addColumn<QString>("path");
    const QDir folder(QStringLiteral(FUZZ_REGRESSIONS));
    const QStringList names = folder.entryList(QDir::Files, QDir::Name);
    QVERIFY(!names.isEmpty());
    for (const QString &name : names)
        QTest::newRow(qPrintable(name)) << folder.filePath(name);
}

void TestFuzzRegressions::replay()
{
    QFETCH(QString, path);
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QByteArray input = file.readAll();
    QCOMPARE(LLVMFuzzerTestOneInput(reinterpret_cast<const uint8_t *>(input.constData()), size_t(input.size())), 0);
}

QTEST_GUILESS_MAIN(TestFuzzRegressions)
#include "tst_fuzzregressions.moc"
