// The layers of src/: every #include names a folder of the same layer or of one below, and the
// report program needs no library of the windows.
#include <QCoreApplication>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QHash>
#include <QMap>
#include <QProcess>
#include <QRegularExpression>
#include <QSet>
#include <QTest>

namespace {

const QStringList Core{QStringLiteral("data"), QStringLiteral("timecalc"), QStringLiteral("punch"),
                       QStringLiteral("payroll")};
const QStringList Render = Core + QStringList{QStringLiteral("render")};
const QStringList Ui = Render + QStringList{QStringLiteral("ui")};
const QStringList Platform = Ui + QStringList{QStringLiteral("platform")};
const QStringList Windows =
    Platform + QStringList{QStringLiteral("admin"), QStringLiteral("reports")};

// Each folder of src/ and the folders its files may include, lowest layer first. Within the
// core, time accounting reads the data files, punches read both and report texts read all three;
// of the windows, the main window opens the others; the report program stands beside the
// windows, on the rendering and the exchange with the server; the program reaches the server
// through the exchange too, and hands the main window what it needs of it.
const QMap<QString, QStringList>& AllowedIncludes()
{
    static const QMap<QString, QStringList> allowed{
        {QStringLiteral("data"), {QStringLiteral("data")}},
        {QStringLiteral("timecalc"), {QStringLiteral("data"), QStringLiteral("timecalc")}},
        {QStringLiteral("punch"),
         {QStringLiteral("data"), QStringLiteral("timecalc"), QStringLiteral("punch")}},
        {QStringLiteral("payroll"), Core},
        {QStringLiteral("render"), Render},
        {QStringLiteral("cli"),
         Render + QStringList{QStringLiteral("sync"), QStringLiteral("cli")}},
        {QStringLiteral("ui"), Ui},
        {QStringLiteral("platform"), Platform},
        {QStringLiteral("admin"), Platform + QStringList{QStringLiteral("admin")}},
        {QStringLiteral("reports"), Platform + QStringList{QStringLiteral("reports")}},
        {QStringLiteral("station"),
         Windows + QStringList{QStringLiteral("sync"), QStringLiteral("station")}},
        {QStringLiteral("app"),
         Windows +
             QStringList{QStringLiteral("sync"), QStringLiteral("station"), QStringLiteral("app")}},
        // Several stations: the exchange with the server, on the core; its program.
        {QStringLiteral("sync"), Core + QStringList{QStringLiteral("sync")}},
        {QStringLiteral("synccli"), Core + QStringList{QStringLiteral("sync")}},
    };
    return allowed;
}

QString FolderOf(const QString& path)
{
    const qsizetype slash = path.lastIndexOf(u'/');
    return slash < 0 ? QString() : path.left(slash);
}

// The header a quoted #include line names, or nothing for any other line.
std::optional<QString> IncludedHeader(const QString& line)
{
    static const QRegularExpression quoted(QStringLiteral("^\\s*#\\s*include\\s+\"([^\"]+)\""));
    const QRegularExpressionMatch m = quoted.match(line);
    if (!m.hasMatch())
        return std::nullopt;
    return m.captured(1);
}

// The folder a quoted #include line names, or nothing for any other line.
std::optional<QString> IncludedFolder(const QString& line)
{
    const std::optional<QString> header = IncludedHeader(line);
    return header ? std::optional(FolderOf(*header)) : std::nullopt;
}

// Headers that only the files of their own folder include: the system calls of the file layer,
// so that nothing writes a file around the data folder's rules or the outputs' refusal.
const QStringList& PrivateHeaders()
{
    static const QStringList headers{QStringLiteral("data/PosixFiles.h")};
    return headers;
}

// Empty when the line of a file in folder keeps to the layers; otherwise why it does not.
QString LayerProblem(const QString& folder, const QString& line)
{
    const std::optional<QString> included = IncludedFolder(line);
    if (!included)
        return QString();
    if (!AllowedIncludes().contains(folder))
        return QStringLiteral("%1 is not a folder of a layer").arg(folder);
    if (const QString header = *IncludedHeader(line);
        PrivateHeaders().contains(header) && *included != folder)
        return QStringLiteral("%1 may not include %2, private to %3")
            .arg(folder, header, *included);
    if (AllowedIncludes().value(folder).contains(*included))
        return QString();
    return QStringLiteral("%1 may not include %2 (only %3)")
        .arg(folder,
             included->isEmpty() ? QStringLiteral("a header without its folder") : *included,
             AllowedIncludes().value(folder).join(QStringLiteral(", ")));
}

// The windows and commands take a store for punches and never ask which one it is: only the code
// that chooses the store at start reaches the exchange with the server.
const QStringList ChooseTheStore{QStringLiteral("app/Application.cpp"),
                                 QStringLiteral("app/StationWiring.cpp"),
                                 QStringLiteral("cli/ReportCommand.cpp")};

bool ReachesTheServerUnasked(const QString& path, const QString& line)
{
    const QString folder = FolderOf(path);
    const bool windowOrCommand = !folder.startsWith(QLatin1String("sync")) &&
                                 AllowedIncludes().value(folder).contains(QStringLiteral("sync"));
    return windowOrCommand && IncludedFolder(line) == QStringLiteral("sync") &&
           !ChooseTheStore.contains(path);
}

QString SourceDir()
{
    return qEnvironmentVariable("HORODEX_TEST_SOURCE_DIR") + QStringLiteral("/src");
}

// The libraries a program asks the dynamic loader for by name (its NEEDED entries).
QStringList NeededLibraries(const QString& program)
{
    QProcess readelf;
    readelf.start(QStringLiteral("readelf"), {QStringLiteral("-d"), program});
    if (!readelf.waitForFinished(30000) || readelf.exitCode() != 0)
        return {};
    static const QRegularExpression needed(QStringLiteral("\\(NEEDED\\).*\\[([^\\]]+)\\]"));
    QStringList libraries;
    const QString output = QString::fromLocal8Bit(readelf.readAllStandardOutput());
    for (const QRegularExpressionMatch& m : needed.globalMatch(output))
        libraries.append(m.captured(1));
    return libraries;
}

QString ProgramPath(const char* name)
{
    return QCoreApplication::applicationDirPath() + u'/' + QLatin1String(name);
}

} // namespace

class TestLayers : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void layerRule_data();
    void layerRule();
    void sources_includeOnlyTheirLayerAndBelow();
    void folders_listEachOfTheirSources();
    void sources_neverIncludeEachOther();
    void serverRule_data();
    void serverRule();
    void reportProgram_needsNoWindowLibrary_data();
    void reportProgram_needsNoWindowLibrary();
    void programs_loadNoServerLibraryAtStart_data();
    void programs_loadNoServerLibraryAtStart();
};

void TestLayers::layerRule_data()
{
    QTest::addColumn<QString>("folder");
    QTest::addColumn<QString>("line");
    QTest::addColumn<bool>("kept");
    QTest::newRow("window reads data") << "station"
                                       << "#include \"data/TimeFile.h\"" << true;
    QTest::newRow("own folder") << "reports"
                                << "#include \"reports/frmReport.h\"" << true;
    QTest::newRow("library header") << "data"
                                    << "#include <QWidget>" << true;
    QTest::newRow("not an include") << "data"
                                    << "// #include \"station/frmPin.h\"" << true;
    QTest::newRow("core reads a window") << "data"
                                         << "  # include \"station/frmPin.h\"" << false;
    QTest::newRow("report text reads pages") << "payroll"
                                             << "#include \"render/ReportPdf.h\"" << false;
    QTest::newRow("report program reads widgets") << "cli"
                                                  << "#include \"ui/KeyFilter.h\"" << false;
    QTest::newRow("platform reads a window") << "platform"
                                             << "#include \"station/frmHorodex.h\"" << false;
    QTest::newRow("employee window reads the main window")
        << "admin"
        << "#include \"station/frmHorodex.h\"" << false;
    QTest::newRow("window reads the start-up") << "station"
                                               << "#include \"app/Application.h\"" << false;
    QTest::newRow("main window reads the exchange") << "station"
                                                    << "#include \"sync/StationLink.h\"" << true;
    QTest::newRow("punches read the time files") << "punch"
                                                 << "#include \"data/TimeFile.h\"" << true;
    QTest::newRow("punches read a report text") << "punch"
                                                << "#include \"payroll/WhoIsIn.h\"" << false;
    QTest::newRow("time accounting reads punches") << "timecalc"
                                                   << "#include \"punch/PunchStore.h\"" << false;
    QTest::newRow("report window reads the exchange")
        << "reports"
        << "#include \"sync/ServerReports.h\"" << false;
    QTest::newRow("exchange reads a window") << "sync"
                                             << "#include \"admin/frmOptions.h\"" << false;
    QTest::newRow("file layer reads its system calls") << "data"
                                                       << "#include \"data/PosixFiles.h\"" << true;
    QTest::newRow("report text reads the system calls")
        << "payroll"
        << "#include \"data/PosixFiles.h\"" << false;
    QTest::newRow("exchange reads the system calls") << "sync"
                                                     << "#include \"data/PosixFiles.h\"" << false;
    QTest::newRow("header without folder") << "ui"
                                           << "#include \"Twips.h\"" << false;
    QTest::newRow("unknown folder") << "tools"
                                    << "#include \"data/TimeFile.h\"" << false;
}

void TestLayers::layerRule()
{
    QFETCH(QString, folder);
    QFETCH(QString, line);
    QFETCH(bool, kept);
    QCOMPARE(LayerProblem(folder, line).isEmpty(), kept);
}

void TestLayers::sources_includeOnlyTheirLayerAndBelow()
{
    const QDir src(SourceDir());
    QStringList problems;
    QMap<QString, int> edges; // "from -> to": number of includes, printed for the record
    int files = 0;
    QDirIterator it(src.path(), {QStringLiteral("*.h"), QStringLiteral("*.cpp")}, QDir::Files,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = src.relativeFilePath(it.next());
        QFile file(it.filePath());
        QVERIFY(file.open(QIODevice::ReadOnly));
        ++files;
        const QString folder = FolderOf(path);
        int number = 0;
        while (!file.atEnd()) {
            const QString line = QString::fromUtf8(file.readLine()).trimmed();
            ++number;
            if (const QString problem = LayerProblem(folder, line); !problem.isEmpty())
                problems.append(QStringLiteral("src/%1:%2: %3").arg(path).arg(number).arg(problem));
            if (ReachesTheServerUnasked(path, line))
                problems.append(QStringLiteral("src/%1:%2: only the code that chooses the store "
                                               "for punches reaches src/sync")
                                    .arg(path)
                                    .arg(number));
            if (const auto to = IncludedFolder(line); to && *to != folder)
                ++edges[folder + QStringLiteral(" -> ") + *to];
        }
    }
    QVERIFY2(files > 100, qPrintable(src.path()));
    for (auto e = edges.cbegin(); e != edges.cend(); ++e)
        qInfo("%s: %d", qPrintable(e.key()), e.value());
    QVERIFY2(problems.isEmpty(), qPrintable(problems.join(u'\n')));
}

// Two sources that include each other's headers are one idea split in two, or a circle that no
// layer shows: neither can be read, built or tested without the other.
void TestLayers::sources_neverIncludeEachOther()
{
    const QDir src(SourceDir());
    QHash<QString, QSet<QString>> includes; // "data/FileStore" -> {"data/PosixFiles", ...}
    QDirIterator it(src.path(), {QStringLiteral("*.h"), QStringLiteral("*.cpp")}, QDir::Files,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = src.relativeFilePath(it.next());
        const QString unit = path.left(path.lastIndexOf(u'.'));
        QFile file(it.filePath());
        QVERIFY(file.open(QIODevice::ReadOnly));
        while (!file.atEnd()) {
            const std::optional<QString> header =
                IncludedHeader(QString::fromUtf8(file.readLine()).trimmed());
            if (header && header->endsWith(QLatin1String(".h")))
                includes[unit].insert(header->chopped(2));
        }
    }
    QStringList circles;
    for (auto u = includes.cbegin(); u != includes.cend(); ++u) {
        for (const QString& other : u.value()) {
            if (other > u.key() && includes.value(other).contains(u.key()))
                circles.append(u.key() + QStringLiteral(" <-> ") + other);
        }
    }
    QVERIFY2(!includes.isEmpty(), qPrintable(src.path()));
    QVERIFY2(circles.isEmpty(), qPrintable(circles.join(u'\n')));
}

// A file left out of its folder's list is never compiled: it would rot unseen, or a header
// would promise what no library holds.
void TestLayers::folders_listEachOfTheirSources()
{
    const QDir src(SourceDir());
    QStringList unlisted;
    for (const QString& folder : AllowedIncludes().keys()) {
        QFile list(src.filePath(folder + QStringLiteral("/CMakeLists.txt")));
        QVERIFY2(list.open(QIODevice::ReadOnly), qPrintable(list.fileName()));
        static const QRegularExpression word(QStringLiteral("[\\s()]+"));
        const QStringList named = QString::fromUtf8(list.readAll()).split(word);
        const QDir dir(src.filePath(folder));
        for (const QString& file :
             dir.entryList({QStringLiteral("*.cpp"), QStringLiteral("*.h")}, QDir::Files)) {
            if (!named.contains(file))
                unlisted.append(folder + u'/' + file);
        }
    }
    QVERIFY2(unlisted.isEmpty(), qPrintable(unlisted.join(u'\n')));
}

void TestLayers::serverRule_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("line");
    QTest::addColumn<bool>("kept");
    QTest::newRow("the program chooses") << "app/Application.cpp"
                                         << "#include \"sync/StationLink.h\"" << true;
    QTest::newRow("the command chooses") << "cli/ReportCommand.cpp"
                                         << "#include \"sync/ServerPunchStore.h\"" << true;
    QTest::newRow("a command asks the server") << "cli/RecordCommands.cpp"
                                               << "#include \"sync/SyncDatabase.h\"" << false;
    QTest::newRow("the main window's header") << "station/frmHorodex.h"
                                              << "#include \"sync/StationLink.h\"" << false;
    QTest::newRow("the main window asks the server") << "station/frmHorodex.cpp"
                                                     << "#include \"sync/StationLink.h\"" << false;
    QTest::newRow("the program wires the station") << "app/StationWiring.cpp"
                                                   << "#include \"sync/StationLink.h\"" << true;
    QTest::newRow("the exchange itself") << "sync/StationLink.cpp"
                                         << "#include \"sync/SyncDatabase.h\"" << true;
    QTest::newRow("a window reads the core") << "station/frmPin.cpp"
                                             << "#include \"punch/PunchStore.h\"" << true;
}

void TestLayers::serverRule()
{
    QFETCH(QString, path);
    QFETCH(QString, line);
    QFETCH(bool, kept);
    QCOMPARE(!ReachesTheServerUnasked(path, line), kept);
}

void TestLayers::reportProgram_needsNoWindowLibrary_data()
{
    QTest::addColumn<QString>("library");
    QTest::newRow("Qt Widgets") << "libQt6Widgets.so";
    QTest::newRow("Qt D-Bus") << "libQt6DBus.so";
    QTest::newRow("X11") << "libX11.so";
    QTest::newRow("X screen saver") << "libXss.so";
}

void TestLayers::reportProgram_needsNoWindowLibrary()
{
    QFETCH(QString, library);
    // The window program needs them all: proof that the reading sees what a program needs.
    const QStringList station = NeededLibraries(ProgramPath("horodex"));
    QVERIFY2(station.contains(QStringLiteral("libQt6Core.so.6")), qPrintable(station.join(u' ')));
    const auto needs = [&library](const QStringList& libraries) {
        return std::any_of(libraries.begin(), libraries.end(),
                           [&library](const QString& l) { return l.startsWith(library); });
    };
    QVERIFY2(needs(station), qPrintable(station.join(u' ')));
    const QStringList report = NeededLibraries(ProgramPath("horodex-report"));
    QVERIFY2(report.contains(QStringLiteral("libQt6Core.so.6")), qPrintable(report.join(u' ')));
    QVERIFY2(!needs(report), qPrintable(report.join(u' ')));
}

void TestLayers::programs_loadNoServerLibraryAtStart_data()
{
    QTest::addColumn<QString>("program");
    QTest::newRow("punch station") << "horodex";
    QTest::newRow("report program") << "horodex-report";
    QTest::newRow("exchange program") << "horodex-sync";
}

// libpq (with TLS, Kerberos and LDAP behind it) comes with Qt's PostgreSQL driver, when a
// connection opens; a station of one computer never loads it.
void TestLayers::programs_loadNoServerLibraryAtStart()
{
    QFETCH(QString, program);
    const QStringList needed = NeededLibraries(ProgramPath(qPrintable(program)));
    QVERIFY2(needed.contains(QStringLiteral("libQt6Core.so.6")), qPrintable(needed.join(u' ')));
    for (const QString& library : needed)
        QVERIFY2(!library.startsWith(QLatin1String("libpq.so")), qPrintable(needed.join(u' ')));
}

QTEST_GUILESS_MAIN(TestLayers)
#include "tst_layers.moc"
