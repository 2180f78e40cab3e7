// Splitting a list among machines: the documented hash, one shard per video however it is
// spelt, shards of even size, and --shard's values and batch-system variables.
#include "cli/ShardOption.h"
#include "core/LinkShard.h"

#include <QRandomGenerator>
#include <QtTest>

class LinkShardTest : public QObject
{
    Q_OBJECT

private slots:
    void shardIsTheDocumentedHashOfTheVideoIdHoweverSpelt()
    {
        // int(hashlib.sha1(key.encode()).hexdigest()[:16], 16) % 1000, as the README says.
        for (const char *spelling :
             {"dQw4w9WgXcQ", "https://www.youtube.com/watch?v=dQw4w9WgXcQ",
              "  youtu.be/dQw4w9WgXcQ\t", "http://m.youtube.com/watch?feature=x&v=dQw4w9WgXcQ#t=3",
              "youtube.com/shorts/dQw4w9WgXcQ"})
            QCOMPARE(LinkShard::shardOf(QString::fromLatin1(spelling), 1000), 57);
        QCOMPARE(LinkShard::shardOf(u"https://example.com/a "_qs, 1000), 801);
    }

    void shardsAreEvenWithinAFewPercent()
    {
        QRandomGenerator random(23);
        const QString alphabet
            = u"ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789-_"_qs;
        constexpr int Links = 60'000;
        for (const int count : {2, 7, 16}) {
            QList<int> sizes(count, 0);
            for (int i = 0; i < Links; ++i) {
                QString id;
                for (int c = 0; c < 11; ++c)
                    id += alphabet[random.bounded(64)];
                ++sizes[LinkShard::shardOf(id, count)];
            }
            for (const int size : std::as_const(sizes))
                QVERIFY2(qAbs(size - Links / count) < Links / count * 5 / 100,
                         qPrintable(QStringLiteral("%1 of %2 in one of %3 shards")
                                        .arg(size)
                                        .arg(Links)
                                        .arg(count)));
        }
    }

    void shardOptionTakesWhatTheBatchSystemsHandOut_data()
    {
        QTest::addColumn<QString>("value");
        QTest::addColumn<QStringList>("variables"); // NAME=VALUE
        QTest::addColumn<QString>("shard"); // "K/N", or empty when refused

        QTest::newRow("given") << u"2/3"_qs << QStringList() << u"2/3"_qs;
        QTest::newRow("K counts from 0") << u"3/3"_qs << QStringList() << QString();
        QTest::newRow("no shards") << u"0/0"_qs << QStringList() << QString();
        QTest::newRow("not numbers") << u"a/b"_qs << QStringList() << QString();
        QTest::newRow("negative") << u"-1/3"_qs << QStringList() << QString();
        QTest::newRow("no count") << u"1"_qs << QStringList() << QString();
        QTest::newRow("auto with nothing set") << u"auto"_qs << QStringList() << QString();
        const QStringList fromZero {"SLURM_ARRAY_TASK_ID=0", "SLURM_ARRAY_TASK_MIN=0",
                                    "SLURM_ARRAY_TASK_MAX=7", "SLURM_ARRAY_TASK_COUNT=8"};
        QTest::newRow("Slurm --array=0-7") << u"auto"_qs << fromZero << u"0/8"_qs;
        QTest::newRow("Slurm --array=1-8, last task")
            << u"auto"_qs
            << QStringList {"SLURM_ARRAY_TASK_ID=8", "SLURM_ARRAY_TASK_MIN=1",
                            "SLURM_ARRAY_TASK_MAX=8", "SLURM_ARRAY_TASK_COUNT=8"}
            << u"7/8"_qs;
        QTest::newRow("Slurm array with steps")
            << u"auto"_qs
            << QStringList {"SLURM_ARRAY_TASK_ID=4", "SLURM_ARRAY_TASK_MIN=0",
                            "SLURM_ARRAY_TASK_MAX=12", "SLURM_ARRAY_TASK_COUNT=4"}
            << QString();
        QTest::newRow("Slurm count only")
            << u"auto"_qs << QStringList {"SLURM_ARRAY_TASK_ID=2", "SLURM_ARRAY_TASK_COUNT=3"}
            << u"2/3"_qs;
        QTest::newRow("Slurm count other than given") << u"auto/4"_qs << fromZero << QString();
        QTest::newRow("Slurm id not a number")
            << u"auto"_qs << QStringList {"SLURM_ARRAY_TASK_ID=x", "SLURM_ARRAY_TASK_COUNT=3"}
            << QString();
        QTest::newRow("Kubernetes Indexed Job")
            << u"auto/5"_qs << QStringList {"JOB_COMPLETION_INDEX=4"} << u"4/5"_qs;
        QTest::newRow("Kubernetes index beyond the count")
            << u"auto/5"_qs << QStringList {"JOB_COMPLETION_INDEX=5"} << QString();
        QTest::newRow("Kubernetes without the count")
            << u"auto"_qs << QStringList {"JOB_COMPLETION_INDEX=1"} << QString();
    }
    void shardOptionTakesWhatTheBatchSystemsHandOut()
    {
        QFETCH(QString, value);
        QFETCH(QStringList, variables);
        QFETCH(QString, shard);
        QProcessEnvironment environment;
        for (const QString &variable : std::as_const(variables))
            environment.insert(variable.section(u'=', 0, 0), variable.section(u'=', 1));
        const auto read = ShardOption::read(value, environment);
        if (shard.isEmpty()) {
            QVERIFY(std::holds_alternative<QString>(read));
            QVERIFY(!std::get<QString>(read).isEmpty());
        } else {
            const Shard *got = std::get_if<Shard>(&read);
            QVERIFY2(got, got ? "" : qPrintable(std::get<QString>(read)));
            QCOMPARE(QStringLiteral("%1/%2").arg(got->index).arg(got->count), shard);
        }
    }
};

QTEST_GUILESS_MAIN(LinkShardTest)
#include "tst_LinkShard.moc"
