#include "platform/Paths.h"

#include "platform/AllocationProbe.h"
#include "platform/FileError.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QStandardPaths>
#include <cerrno>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace pit {

namespace {

QString homeOverride() {
    const QByteArray home = qgetenv("KEV_DUX_HOME");
    return home.isEmpty() ? QString() : QDir::cleanPath(QString::fromLocal8Bit(home));
}

} // namespace

QString executableDir() {
    if (QCoreApplication::instance())
        return QCoreApplication::applicationDirPath();
    return QFileInfo(QStringLiteral("/proc/self/exe")).canonicalFilePath().section(u'/', 0, -2);
}

QString programDir() {
    const QString home = homeOverride();
    return home.isEmpty() ? executableDir() : home;
}

QString resourceDir() {
    const QString home = homeOverride();
    if (!home.isEmpty())
        return home;
    return installedResourceDir();
}

QString installedResourceDir() {
    const QString exe = executableDir();
    const QString shared = QDir::cleanPath(exe + QStringLiteral("/../share/kev-dux"));
    // An installed program finds its resources in the shared data folder.
    return QFileInfo::exists(shared) ? shared : exe;
}

QString stateDir() {
    const QString home = homeOverride();
    if (!home.isEmpty())
        return home;
    const QString exe = executableDir();
    if (QFileInfo(exe).isWritable())
        return exe;
    QString dir = QStandardPaths::writableLocation(QStandardPaths::AppConfigLocation);
    if (dir.isEmpty())
        dir = QDir::homePath() + QStringLiteral("/.config/kev-dux");
    QDir().mkpath(dir);
    return dir;
}

namespace {
QString g_sessionTemp;
// Why this run asked for a folder of its own and has none.
std::optional<TempFolderProblem> g_missingRunFolder;
} // namespace

QString tempRootDir() {
    const QString dir = joinPath(stateDir(), QStringLiteral("Temp"));
    QDir().mkpath(dir);
    return dir;
}

QString tempDir() {
    // The run's folder is never made again here: what stands under its name
    // once it is gone is not the run's. A run that has none writes nowhere:
    // "Temp" itself is shared with every other run.
    if (!g_sessionTemp.isEmpty())
        return g_sessionTemp;
    return g_missingRunFolder ? QString() : tempRootDir();
}

void setSessionTempDir(const QString& dir) {
    g_sessionTemp = dir;
}

// ---- who a run is

namespace {

// The first bytes of a small system file; empty when it cannot be read.
QByteArray readSmallFile(const char* path) {
    const int fd = ::open(path, O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return {};
    char buf[1024];
    const ssize_t n = ::read(fd, buf, sizeof buf);
    ::close(fd);
    return n > 0 ? QByteArray(buf, n) : QByteArray();
}

// 12 hex digits of an id (dashes and white space dropped), empty when it is none.
QString shortHexId(const QByteArray& text) {
    QByteArray hex = text.trimmed().toLower();
    hex.replace('-', QByteArray());
    if (hex.size() < 12)
        return {};
    for (char c : hex)
        if (!((c >= '0' && c <= '9') || (c >= 'a' && c <= 'f')))
            return {};
    return QString::fromLatin1(hex.left(12));
}

// When the process started, in clock ticks after the boot (the 22nd field
// of /proc/<pid>/stat); -1 with the errno in err when it cannot be read.
qint64 processStart(qint64 pid, int& err) {
    const QByteArray path = "/proc/" + QByteArray::number(pid) + "/stat";
    const int fd = ::open(path.constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        err = errno;
        return -1;
    }
    char buf[1024];
    const ssize_t n = ::read(fd, buf, sizeof buf);
    err = n < 0 ? errno : 0;
    ::close(fd);
    if (n <= 0)
        return -1;
    // The command name in parentheses may hold spaces and parentheses: the fields follow the last ')'.
    const QByteArray text(buf, n);
    const qsizetype close = text.lastIndexOf(')');
    const QList<QByteArray> fields = text.mid(close + 2).split(' ');
    constexpr int kStartField = 22 - 3; // the fields after ')' start with the third
    bool ok = false;
    const qint64 start = close > 0 && fields.size() > kStartField ? fields[kStartField].toLongLong(&ok) : -1;
    return ok ? start : -1;
}

RunIdentity readThisRun() {
    RunIdentity id;
    id.pid = ::getpid();
    id.machine = shortHexId(readSmallFile("/etc/machine-id"));
    if (id.machine.isEmpty())
        id.machine = shortHexId(readSmallFile("/var/lib/dbus/machine-id"));
    id.boot = shortHexId(readSmallFile("/proc/sys/kernel/random/boot_id"));
    // The process checks hold only where /proc shows this process's own
    // namespace (it shows a parent's when it was not mounted again for it).
    char self[32];
    const ssize_t n = ::readlink("/proc/self", self, sizeof self - 1);
    if (n > 0 && QByteArray(self, n).toLongLong() == id.pid) {
        int err = 0;
        id.started = processStart(id.pid, err);
        struct stat ns {};
        if (::stat("/proc/self/ns/pid", &ns) == 0)
            id.pidNamespace = qint64(ns.st_ino);
    }
    return id;
}

// When this machine booted, seconds since 1970; -1 unknown.
qint64 bootTime() {
    const QByteArray stat = [] {
        QFile f(QStringLiteral("/proc/stat"));
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }();
    for (const QByteArray& line : stat.split('\n'))
        if (line.startsWith("btime ")) {
            bool ok = false;
            const qint64 t = line.mid(6).trimmed().toLongLong(&ok);
            return ok ? t : -1;
        }
    return -1;
}

QString numberOrX(qint64 n) {
    return n < 0 ? QStringLiteral("x") : QString::number(n);
}

} // namespace

QString RunIdentity::Tag() const {
    return QStringLiteral("%1-%2-%3@%4-%5")
        .arg(pid)
        .arg(numberOrX(started), numberOrX(pidNamespace), machine.isEmpty() ? QStringLiteral("x") : machine,
             boot.isEmpty() ? QStringLiteral("x") : boot);
}

std::optional<RunIdentity> RunIdentity::FromTag(const QString& text) {
    static const QRegularExpression re(
        QStringLiteral("^(\\d{1,18})-(\\d{1,18}|x)-(\\d{1,18}|x)@([0-9a-f]{12}|x)-([0-9a-f]{12}|x)$"));
    const QRegularExpressionMatch m = re.match(text);
    if (!m.hasMatch())
        return std::nullopt;
    const auto number = [](const QString& s) { return s == u'x' ? qint64(-1) : s.toLongLong(); };
    const auto id = [](const QString& s) { return s == u'x' ? QString() : s; };
    RunIdentity r;
    r.pid = m.captured(1).toLongLong();
    r.started = number(m.captured(2));
    r.pidNamespace = number(m.captured(3));
    r.machine = id(m.captured(4));
    r.boot = id(m.captured(5));
    return r;
}

bool RunIdentity::Complete() const {
    return pid > 0 && started >= 0 && pidNamespace >= 0 && !boot.isEmpty();
}

const RunIdentity& ThisRun() {
    static const RunIdentity self = readThisRun();
    return self;
}

QString RunTagPattern() {
    return QStringLiteral("\\d{1,18}-(?:\\d{1,18}|x)-(?:\\d{1,18}|x)@(?:[0-9a-f]{12}|x)-(?:[0-9a-f]{12}|x)");
}

QString RunTag() {
    return ThisRun().Tag();
}

bool RunIsGone(const QString& tag, qint64 lastChange) {
    const std::optional<RunIdentity> run = RunIdentity::FromTag(tag);
    const RunIdentity& self = ThisRun();
    if (!run || !run->Complete() || !self.Complete())
        return false;
    if (run->boot != self.boot) {
        // This machine before it started again: every process of then is
        // gone. A leftover changed since may be a live run's on another
        // machine that was copied with the same machine id.
        if (run->machine.isEmpty() || run->machine != self.machine)
            return false;
        const qint64 booted = bootTime();
        return lastChange >= 0 && booted > 0 && lastChange < booted;
    }
    // One boot is one kernel: the process table tells, seen from the same namespace.
    if (run->pidNamespace != self.pidNamespace)
        return false;
    if (run->pid == self.pid && run->started == self.started)
        return false;
    int err = 0;
    const qint64 started = processStart(run->pid, err);
    if (started >= 0)
        return started != run->started; // the number is another process's now
    return err == ENOENT || err == ESRCH;
}

// ---- the run's folder

namespace {

// The entry names of the folder open as dirFd ("." and ".." left out).
std::vector<QByteArray> entryNames(int dirFd) {
    std::vector<QByteArray> names;
    const int fd = ::openat(dirFd, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return names;
    DIR* dir = ::fdopendir(fd);
    if (!dir) {
        ::close(fd);
        return names;
    }
    while (const dirent* e = ::readdir(dir)) {
        const QByteArray name(e->d_name);
        if (name != "." && name != "..")
            names.push_back(name);
    }
    ::closedir(dir);
    return names;
}

constexpr int kMaxDepth = 64;

// Removes the sub folder name of dirFd with everything in it, never
// following a link nor leaving the file system of dev.
bool removeFolderAt(int dirFd, const QByteArray& name, dev_t dev, int depth);

bool removeContents(int dirFd, dev_t dev, int depth) {
    bool all = true;
    for (const QByteArray& name : entryNames(dirFd)) {
        struct stat st {};
        if (::fstatat(dirFd, name.constData(), &st, AT_SYMLINK_NOFOLLOW) != 0)
            continue;
        // Removing a link (or any other entry) removes the entry, never its target.
        if (S_ISDIR(st.st_mode))
            all = removeFolderAt(dirFd, name, dev, depth + 1) && all;
        else if (::unlinkat(dirFd, name.constData(), 0) != 0)
            all = false;
    }
    return all;
}

bool removeFolderAt(int dirFd, const QByteArray& name, dev_t dev, int depth) {
    if (depth > kMaxDepth)
        return false;
    // O_NOFOLLOW: a link put in the folder's place meanwhile is not entered.
    const int fd = ::openat(dirFd, name.constData(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0)
        return false;
    struct stat st {};
    bool all = ::fstat(fd, &st) == 0 && st.st_dev == dev && removeContents(fd, dev, depth);
    ::close(fd);
    return all && ::unlinkat(dirFd, name.constData(), AT_REMOVEDIR) == 0;
}

// Removes the folders of runs certainly gone from "Temp" (open as rootFd):
// real folders of this user only; a name of an older form ("run-<pid>",
// "run-<pid>@<host>") cannot be judged and stays.
void clearGoneRuns(int rootFd) {
    static const QRegularExpression name(QStringLiteral("^run-(%1)(?:~\\d+)?$").arg(RunTagPattern()));
    for (const QByteArray& entry : entryNames(rootFd)) {
        const QRegularExpressionMatch m = name.match(QFile::decodeName(entry));
        if (!m.hasMatch())
            continue;
        struct stat st {};
        if (::fstatat(rootFd, entry.constData(), &st, AT_SYMLINK_NOFOLLOW) != 0 || !S_ISDIR(st.st_mode) ||
            st.st_uid != ::geteuid())
            continue;
        if (RunIsGone(m.captured(1), qint64(st.st_mtime)))
            removeFolderAt(rootFd, entry, st.st_dev, 0);
    }
}

struct Session {
    QString path;
    int rootFd = -1, fd = -1;
    QByteArray name;
    dev_t dev = 0;
    ino_t ino = 0;
};
std::vector<Session> g_sessions;

constexpr int kMaxRunFolders = 100;

QString failed(TempFolderProblem* problem, const QString& path, int error) {
    g_missingRunFolder = TempFolderProblem{path, error};
    if (problem)
        *problem = *g_missingRunFolder;
    return {};
}

} // namespace

namespace {

// Opens the folder path, making every level of it that is missing. A level
// made here is opened without following a link (a link put in its place
// meanwhile is not entered) and must be a folder of this user; levels that
// were there are the user's own and are taken as they are. -1 when a level
// cannot be made or opened: *failedAt names it, err says why (ELOOP: a link
// to nothing stands there).
int openMakingLevels(const QString& path, QString* failedAt, int& err) {
    const QString absolute = QDir::cleanPath(QFileInfo(path).absoluteFilePath());
    // The levels above are only passed through (O_PATH: no right to read
    // them is needed); the last is opened to be read.
    const QStringList levels = absolute.split(u'/', Qt::SkipEmptyParts);
    int fd = ::open("/", (levels.isEmpty() ? O_RDONLY : O_PATH) | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) {
        err = errno;
        *failedAt = QStringLiteral("/");
        return -1;
    }
    QString walked;
    for (qsizetype i = 0; i < levels.size(); ++i) {
        walked += u'/' + levels[i];
        const QByteArray name = QFile::encodeName(levels[i]);
        const bool made = ::mkdirat(fd, name.constData(), 0777) == 0;
        err = made ? 0 : errno;
        int next = -1;
        if (made || err == EEXIST) {
            const int mode = i + 1 == levels.size() ? O_RDONLY : O_PATH;
            next = ::openat(fd, name.constData(), mode | O_DIRECTORY | O_CLOEXEC | (made ? O_NOFOLLOW : 0));
            err = next < 0 ? errno : 0;
            struct stat st {};
            if (next >= 0 && made && (::fstat(next, &st) != 0 || st.st_uid != ::geteuid())) {
                ::close(next);
                next = -1;
                err = EEXIST; // replaced as soon as made
            }
            if (next < 0 && err == ENOENT && ::fstatat(fd, name.constData(), &st, AT_SYMLINK_NOFOLLOW) == 0 &&
                S_ISLNK(st.st_mode))
                err = ELOOP;
        }
        ::close(fd);
        if (next < 0) {
            *failedAt = walked;
            return -1;
        }
        fd = next;
    }
    return fd;
}

} // namespace

QString EnsureTempFolder(TempFolderProblem* problem) {
    ProbeAllocation(AllocSite::TempFolder);
    // A state folder that is not there yet is made with its parents, then
    // "Temp" in it. A "Temp" the user made a link to a folder is followed:
    // what a run makes and removes there is only its own.
    const QString root = joinPath(stateDir(), QStringLiteral("Temp"));
    QString failedAt;
    int err = 0;
    const int rootFd = openMakingLevels(root, &failedAt, err);
    if (rootFd < 0)
        return failed(problem, failedAt, err);
    clearGoneRuns(rootFd);
    const QString base = QStringLiteral("run-") + RunTag();
    for (int n = 1; n <= kMaxRunFolders; ++n) {
        const QString name = n == 1 ? base : base + QStringLiteral("~%1").arg(n);
        const QByteArray encoded = QFile::encodeName(name);
        if (::mkdirat(rootFd, encoded.constData(), 0700) != 0) {
            if (errno == EEXIST) // not made by this run, whatever it is: left alone
                continue;
            const int err = errno;
            ::close(rootFd);
            return failed(problem, joinPath(root, name), err);
        }
        const int fd = ::openat(rootFd, encoded.constData(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
        struct stat st {};
        if (fd < 0 || ::fstat(fd, &st) != 0 || st.st_uid != ::geteuid()) {
            if (fd >= 0)
                ::close(fd);
            continue; // replaced as soon as made
        }
        Session s{joinPath(root, name), rootFd, fd, encoded, st.st_dev, st.st_ino};
        g_sessions.push_back(s);
        g_missingRunFolder.reset();
        setSessionTempDir(s.path);
        return s.path;
    }
    ::close(rootFd);
    return failed(problem, joinPath(root, base), EEXIST);
}

void ClearTempFolder(const QString& sessionDir) {
    if (sessionDir.isEmpty()) // the run that had none ends
        g_missingRunFolder.reset();
    for (auto it = g_sessions.begin(); it != g_sessions.end(); ++it) {
        if (it->path != sessionDir)
            continue;
        removeContents(it->fd, it->dev, 0);
        // Its name is removed only while it still is the folder made.
        struct stat st {};
        if (::fstatat(it->rootFd, it->name.constData(), &st, AT_SYMLINK_NOFOLLOW) == 0 &&
            S_ISDIR(st.st_mode) && st.st_dev == it->dev && st.st_ino == it->ino)
            ::unlinkat(it->rootFd, it->name.constData(), AT_REMOVEDIR);
        ::close(it->fd);
        ::close(it->rootFd);
        g_sessions.erase(it);
        break;
    }
    if (g_sessionTemp == sessionDir)
        setSessionTempDir(g_sessions.empty() ? QString() : g_sessions.back().path);
}

std::optional<TempFolderProblem> MissingRunFolder() {
    return g_missingRunFolder;
}

QString TempFolderProblem::Cause(bool english) const {
    const QString parent = QFileInfo(path).absolutePath();
    const QString shown = QDir::toNativeSeparators(path);
    const QString shownParent = QDir::toNativeSeparators(parent);
    const bool temp = QFileInfo(path).absoluteFilePath() ==
                      QFileInfo(joinPath(stateDir(), QStringLiteral("Temp"))).absoluteFilePath();
    switch (error) {
    case EACCES:
    case EPERM:
    case EROFS:
        if (parent == QFileInfo(stateDir()).absoluteFilePath())
            return english ? QStringLiteral("the state folder [%1] cannot be written").arg(shownParent)
                           : QStringLiteral("状态文件夹【%1】不能写入").arg(shownParent);
        return english ? QStringLiteral("the folder [%1] cannot be written").arg(shownParent)
                       : QStringLiteral("文件夹【%1】不能写入").arg(shownParent);
    case ENOTDIR:
        if (temp)
            return english ? QStringLiteral("something that is no folder has its name")
                           : QStringLiteral("它的名称已被一个不是文件夹的东西占用");
        return english ? QStringLiteral("[%1] is no folder").arg(shown)
                       : QStringLiteral("【%1】不是文件夹").arg(shown);
    case ELOOP:
        return english ? QStringLiteral("[%1] is a link to something that is not there").arg(shown)
                       : QStringLiteral("【%1】是一个指向不存在之处的链接").arg(shown);
    case EEXIST:
        if (temp)
            break;
        return english
                   ? QStringLiteral("its name and every other name for it are taken by things this run did "
                                    "not make")
                   : QStringLiteral("它的名称及所有备用名称都已被不是本次运行建立的东西占用");
    default:
        break;
    }
    return english ? QStringLiteral("[%1]: %2").arg(shown, ErrnoText(error, true))
                   : QStringLiteral("【%1】：%2").arg(shown, ErrnoText(error, false));
}

QString TempFolderProblem::Text(bool english) const {
    return english ? QStringLiteral("This run has no temporary folder of its own: %1.").arg(Cause(true))
                   : QStringLiteral("本次运行没有自己的临时文件夹：%1。").arg(Cause(false));
}

RunTempFolder::~RunTempFolder() {
    // However the tool ends (a destructor that threw, memory having run out,
    // would end the program).
    try {
        ClearTempFolder(m_dir);
    } catch (...) {
    }
}

QString joinPath(const QString& dir, const QString& name) {
    return QDir(dir).filePath(name);
}

} // namespace pit
