#include "SavedFiles.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <cerrno>

namespace {

const char* const HighScoreFileName = "S.hs";
const char* const PlayerNameFileName = "Pl.nam";
// A name file is one short line; never read more than this of a damaged one.
constexpr qint64 MaxNameLineBytes = 4096;

QString IoError(int code) {
    switch (code) {
        case 2: return QStringLiteral("File not found");
        case 3: return QStringLiteral("Invalid filename");
        case 4: return QStringLiteral("Too many open files");
        case 5: return QStringLiteral("File access denied");
        case 100: return QStringLiteral("Read beyond end of file");
        case 101: return QStringLiteral("Disk full");
        default: return QStringLiteral("I/O error %1").arg(code);
    }
}

// The error code for a failed open or write, from the system's errno.
int CodeFromErrno(int err) {
    switch (err) {
        case ENOENT: case ENOTDIR: return 2;
        case ENAMETOOLONG: case EINVAL: return 3;
        case EMFILE: case ENFILE: return 4;
        case EACCES: case EPERM: case EROFS: case EISDIR: return 5;
        case ENOSPC: case EDQUOT: return 101;
        default: return err > 0 ? err : 5;
    }
}

QString PathIn(const QString& folder, const char* name) { return folder + QLatin1String(name); }

}  // namespace

QString ProgramFolder() {
    QString dir = QCoreApplication::applicationDirPath();
    if (!dir.endsWith(QLatin1Char('/'))) dir += QLatin1Char('/');
    return dir;
}

bool HighScoreFileExists(const QString& folder) {
    return QFileInfo::exists(PathIn(folder, HighScoreFileName));
}

TFileError LoadHighScores(const QString& folder, THighScores& scores, int32_t& rating) {
    QFile file(PathIn(folder, HighScoreFileName));
    errno = 0;
    if (!file.open(QIODevice::ReadOnly)) return IoError(CodeFromErrno(errno ? errno : ENOENT));
    if (QFileInfo(file).isDir()) return IoError(5);
    const QByteArray data = file.read(HighScoreFileSize);
    if (file.error() != QFileDevice::NoError && data.isEmpty()) return IoError(CodeFromErrno(errno));
    const bool whole = DecodeHighScores(reinterpret_cast<const uint8_t*>(data.constData()),
                                        static_cast<size_t>(data.size()), scores, rating);
    if (!whole) return IoError(100);
    return std::nullopt;
}

TFileError SaveHighScores(const QString& folder, const THighScores& scores, int32_t rating) {
    const QString path = PathIn(folder, HighScoreFileName);
    const QFileInfo info(path);
    // Replacing the file through a rename would get past its write protection:
    // a protected file is refused as a direct write would be.
    if (info.exists() && (!info.isFile() || !info.isWritable())) return IoError(5);
    const auto record = EncodeHighScores(scores, rating);
    QSaveFile file(path);
    errno = 0;
    if (!file.open(QIODevice::WriteOnly)) return IoError(CodeFromErrno(errno ? errno : EACCES));
    const qint64 written =
        file.write(reinterpret_cast<const char*>(record.data()), static_cast<qint64>(record.size()));
    if (written != static_cast<qint64>(record.size())) {
        const int err = errno;
        file.cancelWriting();
        return IoError(CodeFromErrno(err ? err : ENOSPC));
    }
    errno = 0;
    if (!file.commit()) return IoError(CodeFromErrno(errno ? errno : EIO));
    return std::nullopt;
}

std::optional<QString> ReadPlayerName(const QString& folder) {
    QFile file(PathIn(folder, PlayerNameFileName));
    if (!file.open(QIODevice::ReadOnly) || QFileInfo(file).isDir()) return std::nullopt;
    const QByteArray head = file.read(MaxNameLineBytes);
    if (head.isEmpty()) return std::nullopt;
    qsizetype end = head.indexOf('\n');
    if (end < 0) end = head.size();
    QByteArray line = head.left(end);
    if (line.endsWith('\r')) line.chop(1);
    return QString::fromLatin1(line);
}

TFileError SavePlayerName(const QString& folder, const QString& name) {
    if (name.isEmpty()) return std::nullopt;
    const QString path = PathIn(folder, PlayerNameFileName);
    const QFileInfo info(path);
    const QString failed = QStringLiteral("Cannot create file %1").arg(QDir::toNativeSeparators(path));
    if (info.exists() && (!info.isFile() || !info.isWritable())) return failed;
    QSaveFile file(path);
    const QByteArray line = name.toLatin1() + "\r\n";
    if (!file.open(QIODevice::WriteOnly) || file.write(line) != line.size() || !file.commit())
        return failed;
    return std::nullopt;
}
