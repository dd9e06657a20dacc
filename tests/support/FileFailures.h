// Real file failures for the tests of the saved files: a full disk and an
// ordinary user's permissions, made for real rather than mocked.
//
// Permissions bind only ordinary users: root may write anything, and the tests
// run as root in CI. A test that needs them runs its checks, when started as
// root, in a copy of this test program started as the user "nobody".
//
//   TEST(Suite, Name) {
//       TOrdinaryUser user;             // in the copy: user.InCopy
//       if (!user.InCopy) { ...set up folders under user.Dir... }
//       user.Run([&] { ...checks as an ordinary user... });
//       if (!user.InCopy) { ...look at what is left... }
//   }
#pragma once

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <functional>
#include <csignal>
#include <memory>
#include <sys/resource.h>
#include <unistd.h>

// Runs `write` as on a full disk: no file may grow past `bytes`, and a write
// beyond fails with EFBIG (the signal it would raise is ignored).
inline void WithFileSizeLimit(rlim_t bytes, const std::function<void()>& write) {
    signal(SIGXFSZ, SIG_IGN);
    rlimit old {};
    getrlimit(RLIMIT_FSIZE, &old);
    rlimit cut = old;
    cut.rlim_cur = bytes;
    setrlimit(RLIMIT_FSIZE, &cut);
    write();
    setrlimit(RLIMIT_FSIZE, &old);
}

class TOrdinaryUser {
public:
    TOrdinaryUser() {
        InCopy = qEnvironmentVariableIsSet(DirVariable);
        if (InCopy) {
            Dir = qEnvironmentVariable(DirVariable);
            return;
        }
        Temp = std::make_unique<QTemporaryDir>();
        Dir = Temp->path();
        // Reachable for the other user; what lies inside sets its own permissions.
        QFile::setPermissions(Dir, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner |
                                       QFileDevice::ReadOther | QFileDevice::ExeOther |
                                       QFileDevice::ReadGroup | QFileDevice::ExeGroup);
    }
    ~TOrdinaryUser() {
        // Folders made read-only for the test must be writable again to be removed.
        if (Temp) QProcess::execute(QStringLiteral("chmod"), {QStringLiteral("-R"), QStringLiteral("u+w"), Dir});
    }

    bool InCopy = false;
    QString Dir;  // a folder both users reach

    void Run(const std::function<void()>& checks) {
        if (InCopy || getuid() != 0) {
            checks();
            return;
        }
        const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        const QString copy = Dir + QStringLiteral("/test-program");
        ASSERT_TRUE(QFile::copy(QCoreApplication::applicationFilePath(), copy));
        QFile::setPermissions(copy, QFileDevice::ReadOwner | QFileDevice::ExeOwner | QFileDevice::ReadOther |
                                        QFileDevice::ExeOther);
        QProcess p;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QString::fromLatin1(DirVariable), Dir);
        env.insert(QStringLiteral("HOME"), Dir);
        env.remove(QStringLiteral("XDG_RUNTIME_DIR"));  // root's; the copy makes its own
        p.setProcessEnvironment(env);
        p.setProcessChannelMode(QProcess::MergedChannels);
        p.start(QStringLiteral("setpriv"),
                {QStringLiteral("--reuid=nobody"), QStringLiteral("--regid=nogroup"), QStringLiteral("--clear-groups"),
                 copy,
                 QStringLiteral("--gtest_filter=%1.%2").arg(QLatin1String(info->test_suite_name()),
                                                            QLatin1String(info->name()))});
        ASSERT_TRUE(p.waitForFinished(60000)) << "the copy as nobody did not finish";
        const QByteArray out = p.readAll();
        EXPECT_EQ(p.exitStatus(), QProcess::NormalExit) << out.constData();
        EXPECT_EQ(p.exitCode(), 0) << out.constData();
        EXPECT_TRUE(out.contains("[  PASSED  ] 1 test")) << out.constData();
    }

private:
    static constexpr const char* DirVariable = "AGARHOLD_ORDINARY_USER_DIR";
    std::unique_ptr<QTemporaryDir> Temp;
};
