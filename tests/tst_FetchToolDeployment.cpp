// Deploying and removing the fetch tool, and the quiet file routines under it.
#include "core/AppError.h"
#include "core/FetchTool.h"
#include "core/TemporaryFolder.h"
#include "gui/FetchToolFiles.h"
#include "support/ScriptedPlatform.h"
#include "support/TestFiles.h"
#include "system/ChildEnd.h"

#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

#ifdef Q_OS_WIN
#include <windows.h>
#endif

class FetchToolDeploymentTest : public QObject
{
    Q_OBJECT
private slots:
    void init()
    {
        m_folder.emplace();
        qputenv("TEMP", m_folder->path().toLocal8Bit());
    }
    void cleanup()
    {
        m_folder.reset();
        m_files = {};
    }

    void deploymentWritesTheEmbeddedToolAndBundleExactly()
    {
        m_files.deploy();
        // A folder of the run's own, for its owner alone, directly inside the temporary folder.
        const QString runFolder = QFileInfo(m_files.toolPath()).path();
        QCOMPARE(QFileInfo(runFolder).path(), m_folder->path());
#ifndef Q_OS_WIN // which keeps no permissions for others
        QCOMPARE(QFileInfo(runFolder).permissions()
                     & (QFileDevice::ReadGroup | QFileDevice::WriteGroup | QFileDevice::ExeGroup
                        | QFileDevice::ReadOther | QFileDevice::WriteOther | QFileDevice::ExeOther),
                 QFileDevice::Permissions());
#endif
        const QString tool = QDir::toNativeSeparators(QDir(runFolder).filePath("curl.exe"));
        const QString bundle = QDir(runFolder).filePath("curl-ca-bundle.crt");
        QCOMPARE(m_files.toolPath(), tool);
        QCOMPARE(m_files.messagePath(),
                 QDir::toNativeSeparators(QDir(runFolder).filePath("message.txt")));
        QCOMPARE(TestFiles::read(tool), TestFiles::read(BRINDLEWOOD_TEST_FETCH_TOOL));
        QCOMPARE(TestFiles::read(bundle), TestFiles::read(BRINDLEWOOD_TEST_CA_BUNDLE));
        QVERIFY(QFileInfo(tool).permissions() & QFileDevice::ExeOwner);
#ifndef Q_OS_WIN // which keeps no permissions for others
        QVERIFY(
            !(QFileInfo(tool).permissions() & (QFileDevice::WriteOther | QFileDevice::ExeOther)));
#endif

        // Another run (another window's) gets a folder of its own; removing it leaves this one.
        FetchToolFiles other;
        other.deploy();
        const QString otherFolder = QFileInfo(other.toolPath()).path();
        QVERIFY(otherFolder != runFolder);
        QCOMPARE(QFileInfo(otherFolder).path(), m_folder->path());
        ScriptedPlatform platform;
        other.removeQuietly(platform);
        QVERIFY(!QFileInfo::exists(otherFolder));
        QCOMPARE(QDir(runFolder).entryList(QDir::Files | QDir::Hidden | QDir::System),
                 QStringList({"curl-ca-bundle.crt", "curl.exe"}));
    }

    // The tool runs where it was written, with nothing beside it but its certificate file
    // (on Windows no DLL may be missing), and can fetch over https.
    void deployedToolRunsOnItsOwn()
    {
        m_files.deploy();
        QProcess tool;
        tool.start(m_files.toolPath(), {"--version"});
        QVERIFY(ChildEnd::waitFor(tool, 60'000));
        const QByteArray version = tool.readAllStandardOutput();
        QCOMPARE(tool.exitCode(), 0);
        QVERIFY2(version.startsWith("curl ") && version.contains(" https"), version.constData());
    }

    // Paths are built as TEMP gives the folder, in the system's own spelling: on Windows with
    // backslashes, one between the folder and the name, also for a drive's root and a network
    // folder.
    void temporaryFilesAreSpeltAsTheSystemSpellsThem_data()
    {
        // "<test folder>" stands for the test's own folder as the system spells it, "<as Qt
        // spells it>" for the same with forward slashes.
        QTest::addColumn<QString>("temp");
        QTest::addColumn<QString>("folder");
        const QString mine = u"<test folder>"_qs;
        QTest::newRow("as given") << mine << mine;
        QTest::newRow("ending in a separator") << mine + QDir::separator() << mine;
#ifdef Q_OS_WIN
        QTest::newRow("forward slashes") << u"<as Qt spells it>"_qs << mine;
        QTest::newRow("drive root") << u"C:\\"_qs << u"C:\\"_qs;
        QTest::newRow("network folder")
            << u"\\\\server\\share\\Temp"_qs << u"\\\\server\\share\\Temp"_qs;
#else
        QTest::newRow("root") << u"/"_qs << u"/"_qs;
#endif
    }
    void temporaryFilesAreSpeltAsTheSystemSpellsThem()
    {
        QFETCH(QString, temp);
        QFETCH(QString, folder);
        const QString mine = QDir::toNativeSeparators(m_folder->path());
        const auto spelt = [&](QString text) {
            return text.replace(u"<test folder>"_qs, mine)
                .replace(u"<as Qt spells it>"_qs, m_folder->path());
        };
        temp = spelt(temp);
        folder = spelt(folder);
        qputenv("TEMP", temp.toLocal8Bit());
        QCOMPARE(temporaryFolder(), folder);
        const QString inFolder
            = folder.endsWith(QDir::separator()) ? folder : folder + QDir::separator();
        if (folder == mine) {
            // The run's own folder lies directly inside, and its files are spelt the same way.
            m_files.deploy();
            const QString tool = m_files.toolPath();
            const QString runFolder = tool.left(tool.lastIndexOf(QDir::separator()) + 1);
            QVERIFY(runFolder.startsWith(inFolder));
            QCOMPARE(runFolder.count(QDir::separator()), inFolder.count(QDir::separator()) + 1);
            QCOMPARE(tool, runFolder + "curl.exe");
            QCOMPARE(m_files.messagePath(), runFolder + "message.txt");
            QVERIFY(QFile::exists(runFolder + "curl-ca-bundle.crt"));
        }
    }

    void plantedSymbolicLinkIsReplacedNotFollowed()
    {
#ifdef Q_OS_WIN
        QSKIP("Qt makes shortcuts on Windows, not the symbolic links this test plants");
#endif
        QTemporaryDir elsewhere;
        const QString victim = TestFiles::write(elsewhere.filePath("victim"), "keep me");
        QVERIFY(QFile::link(victim, m_folder->filePath("curl.exe")));
        QVERIFY(QFile::link(victim, m_folder->filePath("curl-ca-bundle.crt")));

        // The window's runs write into a folder of their own and pass these by.
        m_files.deploy();
        QVERIFY(QFileInfo(m_folder->filePath("curl.exe")).isSymLink());
        // Written into their folder, the files replace the links.
        FetchTool::deployFetchToolTo(m_folder->path());

        QCOMPARE(TestFiles::read(victim), QByteArray("keep me"));
        QVERIFY(!QFileInfo(m_folder->filePath("curl.exe")).isSymLink());
        QVERIFY(!QFileInfo(m_folder->filePath("curl-ca-bundle.crt")).isSymLink());
        QCOMPARE(TestFiles::read(m_folder->filePath("curl-ca-bundle.crt")),
                 TestFiles::read(BRINDLEWOOD_TEST_CA_BUNDLE));
    }

    void failedDeploymentKeepsTheEarlierToolAndLeavesNoDebris()
    {
        m_files.deploy();
        const QString earlier = m_files.toolPath();
        qputenv("TEMP", TestFiles::impossiblePath(m_folder->path()).toLocal8Bit());
        QVERIFY_THROWS_EXCEPTION(AppError, m_files.deploy());
        QCOMPARE(m_files.toolPath(), earlier);

#ifndef Q_OS_WIN // which has no file-size limit to make writing fail
        // Writing fails inside the run's folder (no file may grow past 4 KiB): neither the
        // folder nor anything half-written in it stays.
        QTemporaryDir other;
        qputenv("TEMP", other.path().toLocal8Bit());
        const bool failed = [&] {
            const TestFiles::FileSizeLimit fullDisk(4096);
            try {
                m_files.deploy();
                return false;
            } catch (const AppError &) {
                return true;
            }
        }();
        QVERIFY(failed);
        QCOMPARE(m_files.toolPath(), earlier);
        QCOMPARE(
            QDir(other.path())
                .entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System),
            QStringList());
#endif
    }

    void temporaryFolderFollowsTempAndFallsBackToRuntimeFolder_data()
    {
        QTest::addColumn<int>("temp"); // 0: unset, 1: empty, 2: names a folder
        QTest::newRow("TEMP unset") << 0;
        QTest::newRow("TEMP empty") << 1;
        QTest::newRow("TEMP set") << 2;
    }
    void temporaryFolderFollowsTempAndFallsBackToRuntimeFolder()
    {
        QFETCH(int, temp);
#ifdef Q_OS_WIN
        if (temp != 2)
            QSKIP("Windows always sets TEMP; the runtime folder is Linux's fallback");
#endif
        QTemporaryDir runtimeFolder;
        QFile::setPermissions(runtimeFolder.path(),
                              QFileDevice::ReadOwner | QFileDevice::WriteOwner
                                  | QFileDevice::ExeOwner);
        const QByteArray oldRuntime = qgetenv("XDG_RUNTIME_DIR");
        qputenv("XDG_RUNTIME_DIR", runtimeFolder.path().toLocal8Bit());
        if (temp == 0)
            qunsetenv("TEMP");
        else
            qputenv("TEMP", temp == 2 ? m_folder->path().toLocal8Bit() : QByteArray());

        const QString folder = temporaryFolder();
        m_files.deploy();
        qputenv("XDG_RUNTIME_DIR", oldRuntime);

        const QString expected
            = QDir::toNativeSeparators(temp == 2 ? m_folder->path() : runtimeFolder.path());
        QCOMPARE(folder, expected);
        const QString runFolder = QFileInfo(m_files.toolPath()).path();
        QCOMPARE(QDir::toNativeSeparators(QFileInfo(runFolder).path()), expected);
        QVERIFY(QFile::exists(QDir(runFolder).filePath("curl-ca-bundle.crt")));
    }

    void removalDeletesToolBundleAndMessageFile()
    {
        ScriptedPlatform platform;
        m_files.deploy();
        TestFiles::write(m_files.messagePath(), "page");
        m_files.removeQuietly(platform);
        QCOMPARE(QDir(m_folder->path())
                     .entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden),
                 QStringList());
        QCOMPARE(platform.processEventsCalls, 3);
        // Removing again, with nothing left to remove, is silent.
        m_files.removeQuietly(platform);
        QVERIFY(platform.boxes.isEmpty());
    }

    void quietDeletionRemovesReadOnlyFilesAndLinksButNeverTheirTargets()
    {
        ScriptedPlatform platform;
        const QString readOnly = TestFiles::write(m_folder->filePath("read-only"), "x");
        QFile::setPermissions(readOnly, QFileDevice::ReadOwner);
#ifdef Q_OS_WIN
        // The read-only attribute is set, and the plain deletion is refused, so it is the
        // forced one that must clear it.
        QVERIFY(GetFileAttributesW(reinterpret_cast<const wchar_t *>(readOnly.utf16()))
                & FILE_ATTRIBUTE_READONLY);
        QVERIFY(!QFile(readOnly).remove());
#endif
        deleteFileQuietly(platform, readOnly);
        QVERIFY(!QFileInfo::exists(readOnly));

#ifdef Q_OS_WIN
        QCOMPARE(platform.processEventsCalls, 1);
        QSKIP("Qt makes shortcuts on Windows, not the symbolic links this test plants");
#endif
        QTemporaryDir elsewhere;
        const QString target = TestFiles::write(elsewhere.filePath("target"), "keep");
        const QString link = m_folder->filePath("message.txt");
        QVERIFY(QFile::link(target, link));
        deleteFileQuietly(platform, link);
        QVERIFY(!QFileInfo(link).isSymLink());
        QCOMPARE(TestFiles::read(target), QByteArray("keep"));

        deleteFileQuietly(platform, m_folder->filePath("missing"));
        deleteFileQuietly(platform, TestFiles::impossiblePath(m_folder->path()));
        QCOMPARE(platform.processEventsCalls, 4);
        QVERIFY(platform.boxes.isEmpty());
    }

private:
    std::optional<QTemporaryDir> m_folder;
    FetchToolFiles m_files; // as the window keeps them between runs
};

QTEST_GUILESS_MAIN(FetchToolDeploymentTest)
#include "tst_FetchToolDeployment.moc"
