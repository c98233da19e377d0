#include "ExportTestDatabase.h"
#include "FormatSettings.h"
#include "TExportToText.h"
#include "TextExportDesign.h"

#include <QtTest>

using namespace Qt::StringLiterals;

// The export run without a window: progress and messages reach the observer
// and the sink a caller hands in, in a process without a GUI application.
namespace {

struct RecordedProgress
{
    QList<ExportProgressObserver::Start> starts;
    QStringList updates;
    int closes = 0;
    bool canceled = false;
    bool opens = true;
    qint64 cancelAt = -1; // cancel when this position is reported
};

class RecordingObserver : public ExportProgressObserver
{
public:
    explicit RecordingObserver(RecordedProgress &record) : m_record(record) {}
    bool open(const Start &start) override
    {
        m_record.starts.append(start);
        return m_record.opens;
    }
    void update(const QString &text, qint64 position, bool) override
    {
        m_record.updates << u"%1 %2"_s.arg(text).arg(position);
        if (position == m_record.cancelAt)
            m_record.canceled = true;
    }
    void hide() override {}
    void close() override { ++m_record.closes; }
    bool canceled() const override { return m_record.canceled; }
    void cancel() override { m_record.canceled = true; }
    void clearCanceled() override { m_record.canceled = false; }
    void setBusy(bool) override {}

private:
    RecordedProgress &m_record;
};

class RecordingSink : public ExportMessageSink
{
public:
    void message(MessageBoxKind kind, const QString &text) override { messages << qMakePair(kind, text); }
    bool openFile(const QString &fileName) override
    {
        opened << fileName;
        return opens;
    }
    QList<QPair<MessageBoxKind, QString>> messages;
    QStringList opened;
    bool opens = true;
};

} // namespace

class TestExportObservers : public QObject
{
    Q_OBJECT

    // A database of `rows` numbers and the window's text design on it,
    // with the recorders instead of the window's observer and sink.
    struct ObservedRun
    {
        explicit ObservedRun(int rows)
        {
            db.create({numbersTable(rows)});
            TextExportDesign::apply(ex);
            ex.setProgressObserver(std::make_unique<RecordingObserver>(progress));
            ex.setMessageSink(sink);
            ex.setDataSet(&db.open(u"select * from Zahlen order by ID"_s));
            ex.setFileName(db.path(u"LOG.csv"_s));
        }
        ExportTestDatabase db;
        RecordedProgress progress;
        std::shared_ptr<RecordingSink> sink = std::make_shared<RecordingSink>();
        TExportToText ex;
    };

private slots:
    void initTestCase() { FormatSettings::setCurrent(foreignProcessFormats(u':')); }

    void progressAndOpeningGoToTheCallersParts()
    {
        ObservedRun run(2);
        const RecordedProgress &progress = run.progress;
        TExportToText &ex = run.ex;
        const RecordingSink *sink = run.sink.get();
        ex.execute();
        QCOMPARE(ex.statistic().result, erCompleted);
        QCOMPARE(progress.starts.size(), 1);
        QCOMPARE(progress.starts[0].caption, u"DEP-Export 1.0"_s);
        QCOMPARE(progress.starts[0].cancelText, u"&Abbruch"_s);
        QCOMPARE(progress.starts[0].status, u"Exportiere..."_s);
        QCOMPARE(progress.starts[0].maximum, 2);
        QCOMPARE(progress.updates,
                 QStringList({u"Exportiere... 0"_s, u"Exportiere... 1"_s,
                              u"Der Datenexport in die Datei %1 wurde erfolgreich beendet. 2"_s.arg(ex.fileName())}));
        QCOMPARE(progress.closes, 1);
        QVERIFY(sink->messages.isEmpty());
        QCOMPARE(sink->opened, QStringList{ex.fileName()});
        QCOMPARE(ExportTestDatabase::readFile(ex.fileName()), QByteArray("ID;Name\r\n1;Zeile 1\r\n2;Zeile 2\r\n"));
    }

    void theObserversCancelStopsTheRun()
    {
        ObservedRun run(5);
        const RecordedProgress &progress = run.progress;
        TExportToText &ex = run.ex;
        run.progress.cancelAt = 1;
        ex.execute();
        QCOMPARE(ex.statistic().result, erCanceled);
        QCOMPARE(progress.updates.size(), 3);
        QVERIFY(!progress.updates.last().contains(u"erfolgreich"_s));
    }

    // A display that cannot be shown and a file nobody opens are said, as
    // the window says them, and the run goes on.
    void whatCannotBeShownIsSaid()
    {
        ObservedRun run(1);
        const RecordedProgress &progress = run.progress;
        TExportToText &ex = run.ex;
        const RecordingSink *sink = run.sink.get();
        run.progress.opens = false;
        run.sink->opens = false;
        ex.execute();
        QCOMPARE(ex.statistic().result, erCompleted);
        QVERIFY(progress.updates.isEmpty());
        QCOMPARE(sink->messages.size(), 2);
        QCOMPARE(sink->messages[0], qMakePair(MessageBoxKind::Error, u"Kann den Prozess-Dialog nicht erzeugen"_s));
        QCOMPARE(sink->messages[1],
                 qMakePair(MessageBoxKind::Information,
                           u"Der Datenexport in die Datei %1 wurde erfolgreich beendet."_s.arg(ex.fileName())));
    }

    // Without observer and sink a run shows and says nothing and still
    // writes its file.
    void noObserverNoSink()
    {
        ExportTestDatabase db;
        db.create({numbersTable(1)});
        TExportToText ex;
        TextExportDesign::apply(ex);
        ex.setProgressObserver(nullptr);
        ex.setMessageSink(nullptr);
        ex.setDataSet(&db.open(u"select * from Zahlen"_s));
        ex.setFileName(db.path(u"LOG.csv"_s));
        ex.execute();
        QCOMPARE(ex.statistic().result, erCompleted);
        QCOMPARE(ExportTestDatabase::readFile(ex.fileName()), QByteArray("ID;Name\r\n1;Zeile 1\r\n"));
    }
};

QTEST_GUILESS_MAIN(TestExportObservers)
#include "tst_exportobservers.moc"
