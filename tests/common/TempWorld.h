#pragma once
// A world of its own for one test: a temporary directory set as the process's world root,
// with this computer named as the test asks. When it ends it removes the world's runtime
// folder (the named objects kept outside the world) and restores the previous root.
#include <QString>
#include <QTemporaryDir>

class TempWorld {
public:
    explicit TempWorld(const QString& computerName = QStringLiteral("TESTPC"));
    ~TempWorld();
    TempWorld(const TempWorld&) = delete;
    TempWorld& operator=(const TempWorld&) = delete;

    QString Root() const { return m_dir.path(); }
    // Host path of a file under the world root ("machines/TESTPC/registry.reg").
    QString Path(const QString& relative) const;
    // Writes a file under the world root, creating its folders.
    bool Write(const QString& relative, const QByteArray& bytes) const;
    QByteArray Read(const QString& relative) const;

private:
    QTemporaryDir m_dir;
    QString m_previousRoot;
    QString m_previousName;
};

// Directory of the built executables (alertsvc, alertworld, vigimor).
QString TestBinDir();
QString FixturePath(const QString& relative);
