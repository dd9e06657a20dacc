#include "SavedFiles.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QStandardPaths>
#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

const char* const HighScoreFileName = "S.hs";
const char* const PlayerNameFileName = "Pl.nam";

namespace {

// A name file is one short line; never read more than this of a damaged one.
constexpr qint64 MaxNameLineBytes = 4096;

QString WithSeparator(QString dir) {
    if (!dir.endsWith(QLatin1Char('/'))) dir += QLatin1Char('/');
    return dir;
}

QString PathIn(const QString& folder, const char* name) { return folder + QLatin1String(name); }

// Opens a saved file for reading without ever blocking (a named pipe in its
// place would wait for a writer forever) and only if it is a regular file.
// Returns the descriptor, or -1 with errno set (EACCES for anything that is no
// regular file).
int OpenRegularForReading(const QString& path) {
    const QByteArray name = QFile::encodeName(path);
    struct stat st {};
    if (stat(name.constData(), &st) != 0) return -1;
    if (!S_ISREG(st.st_mode)) {
        errno = EACCES;
        return -1;
    }
    const int fd = open(name.constData(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) return -1;
    // It may have been swapped between the look and the open.
    if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        close(fd);
        errno = EACCES;
        return -1;
    }
    return fd;
}

// Reads up to `limit` bytes; false with errno set on a read error.
bool ReadUpTo(int fd, qint64 limit, QByteArray& out) {
    out.resize(limit);
    qint64 got = 0;
    while (got < limit) {
        const ssize_t n = read(fd, out.data() + got, static_cast<size_t>(limit - got));
        if (n < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        if (n == 0) break;
        got += n;
    }
    out.resize(got);
    return true;
}

// Writes all of `bytes` at the file's start; false with errno set.
bool WriteAllAtStart(int fd, const QByteArray& bytes) {
    qint64 done = 0;
    while (done < bytes.size()) {
        const ssize_t n = pwrite(fd, bytes.constData() + done, static_cast<size_t>(bytes.size() - done),
                                 static_cast<off_t>(done));
        if (n < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        if (n == 0) {
            errno = ENOSPC;
            return false;
        }
        done += n;
    }
    return true;
}

// Closes `fd` and returns the errno saved before, so the close cannot change it.
int Fail(int fd, int err) {
    close(fd);
    return err ? err : EIO;
}

// The file's own descriptor: all written, cut to size and on the disk. The
// room a longer file needs is taken before any byte changes, and when a write
// fails part-way the old bytes are put back as far as the disk allows.
int WriteInPlace(const QByteArray& target, const QByteArray& bytes) {
    const int fd = open(target.constData(), O_RDWR | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) return errno;
    struct stat st {};
    if (fstat(fd, &st) != 0) return Fail(fd, errno);
    if (!S_ISREG(st.st_mode)) return Fail(fd, EACCES);
    const off_t oldSize = st.st_size;
    QByteArray old;
    if (!ReadUpTo(fd, std::min<qint64>(oldSize, bytes.size()), old)) return Fail(fd, errno);
    if (bytes.size() > oldSize) {
        if (const int err = posix_fallocate(fd, 0, static_cast<off_t>(bytes.size()))) {
            // The room may have been half taken: the file gets its old size back.
            [[maybe_unused]] const int undone = ftruncate(fd, oldSize);
            return Fail(fd, err);
        }
    }
    const auto restore = [&](int err) {
        if (WriteAllAtStart(fd, old) && ftruncate(fd, oldSize) == 0) fsync(fd);
        return Fail(fd, err);
    };
    if (!WriteAllAtStart(fd, bytes)) return restore(errno);
    if (ftruncate(fd, static_cast<off_t>(bytes.size())) != 0) return restore(errno);
    if (fsync(fd) != 0) return Fail(fd, errno);
    if (close(fd) != 0) return errno ? errno : EIO;
    return 0;
}

void SyncFolderOf(const QByteArray& path) {
    const int slash = path.lastIndexOf('/');
    const QByteArray dir = slash > 0 ? path.left(slash) : QByteArray(slash == 0 ? "/" : ".");
    const int fd = open(dir.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return;  // the rename has happened; this only hurries it to the disk
    fsync(fd);
    close(fd);
}

}  // namespace

QString ProgramFolder() { return WithSeparator(QCoreApplication::applicationDirPath()); }

QString UserDataFolder() {
    return WithSeparator(QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation)) +
           QStringLiteral("agarhold/");
}

QString TSavedFolders::FolderFor(const char* fileName) const {
    struct stat st {};
    if (lstat(QFile::encodeName(PathIn(Program, fileName)).constData(), &st) == 0) return Program;
    if (access(QFile::encodeName(Program).constData(), W_OK | X_OK) == 0) return Program;
    return Data;
}

QString FileErrorText(int err) {
    switch (err) {
        case ENOENT: case ENOTDIR:
            return QStringLiteral("File not found");
        case ENAMETOOLONG: case ELOOP:
            return QStringLiteral("Invalid filename");
        case EMFILE: case ENFILE:
            return QStringLiteral("Too many open files");
        case EACCES: case EPERM: case EROFS: case EISDIR: case ETXTBSY:
            return QStringLiteral("File access denied");
        case ENOSPC: case EDQUOT: case EFBIG:
            return QStringLiteral("Disk full");
        default:
            return QStringLiteral("I/O error %1").arg(err);
    }
}

int WriteFileSafely(const QString& path, const QByteArray& bytes) {
    QByteArray target = QFile::encodeName(path);
    struct stat st {};
    bool exists = lstat(target.constData(), &st) == 0;
    if (exists && S_ISLNK(st.st_mode)) {
        // A link to the file: the file it names is the one to replace.
        char resolved[PATH_MAX];
        if (realpath(target.constData(), resolved) == nullptr) return errno;
        target = resolved;
        exists = lstat(target.constData(), &st) == 0;
    }
    if (exists) {
        if (!S_ISREG(st.st_mode)) return EACCES;
        // A write-protected file is refused as a direct write would refuse it,
        // never replaced behind the player's back.
        if (access(target.constData(), W_OK) != 0) return errno;
    }

    const QByteArray temp = target + ".tmp";
    unlink(temp.constData());  // a leftover of a save that was cut short
    const mode_t mode = exists ? (st.st_mode & 07777) : 0666;
    const int fd = open(temp.constData(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, mode);
    if (fd < 0) {
        const int err = errno;
        // No file can be made beside it, but the file itself can be written.
        if (exists) return WriteInPlace(target, bytes);
        return err;
    }
    // The temporary file goes; the errno of the call that failed is the answer.
    const auto removeTemp = [&](int err) {
        unlink(temp.constData());
        return err ? err : EIO;
    };
    const auto discard = [&](int err) {
        close(fd);
        return removeTemp(err);
    };
    if (exists && fchmod(fd, mode) != 0) return discard(errno);  // the umask narrowed it
    if (!WriteAllAtStart(fd, bytes)) return discard(errno);
    if (fsync(fd) != 0) return discard(errno);
    if (close(fd) != 0) return removeTemp(errno);
    if (rename(temp.constData(), target.constData()) != 0) return removeTemp(errno);
    SyncFolderOf(target);
    return 0;
}

bool HighScoreFileExists(const QString& folder) {
    struct stat st {};
    return stat(QFile::encodeName(PathIn(folder, HighScoreFileName)).constData(), &st) == 0;
}

TFileError LoadHighScores(const QString& folder, THighScores& scores, int32_t& rating) {
    const int fd = OpenRegularForReading(PathIn(folder, HighScoreFileName));
    if (fd < 0) return FileErrorText(errno);
    QByteArray data;
    const bool read = ReadUpTo(fd, HighScoreFileSize, data);
    const int err = errno;
    close(fd);
    if (!read) return FileErrorText(err);
    const bool whole = DecodeHighScores(reinterpret_cast<const uint8_t*>(data.constData()),
                                        static_cast<size_t>(data.size()), scores, rating);
    if (!whole) return QStringLiteral("Read beyond end of file");
    return std::nullopt;
}

TFileError SaveHighScores(const QString& folder, const THighScores& scores, int32_t rating) {
    const auto record = EncodeHighScores(scores, rating);
    const QByteArray bytes(reinterpret_cast<const char*>(record.data()), static_cast<qsizetype>(record.size()));
    if (const int err = WriteFileSafely(PathIn(folder, HighScoreFileName), bytes)) return FileErrorText(err);
    return std::nullopt;
}

std::optional<QString> ReadPlayerName(const QString& folder) {
    const int fd = OpenRegularForReading(PathIn(folder, PlayerNameFileName));
    if (fd < 0) return std::nullopt;
    QByteArray head;
    const bool read = ReadUpTo(fd, MaxNameLineBytes, head);
    close(fd);
    if (!read || head.isEmpty()) return std::nullopt;
    qsizetype end = head.indexOf('\n');
    if (end < 0) end = head.size();
    QByteArray line = head.left(end);
    if (line.endsWith('\r')) line.chop(1);
    return QString::fromLatin1(line);
}

TFileError SavePlayerName(const QString& folder, const QString& name) {
    if (name.isEmpty()) return std::nullopt;
    const QString path = PathIn(folder, PlayerNameFileName);
    if (WriteFileSafely(path, name.toLatin1() + "\r\n") != 0)
        return QStringLiteral("Cannot create file %1").arg(QDir::toNativeSeparators(path));
    return std::nullopt;
}
