#pragma once

#include <QFile>
#include <QFileInfo>
#include <QtGlobal>
#include <csignal>
#include <sys/resource.h>
#include <unistd.h>

// While it lives, the catalogue cannot be written. Its folder turns read-only;
// root writes anyway, so for root every file write beyond one byte fails instead.
class BlockedCatalogueWrites final
{
public:
    explicit BlockedCatalogueWrites(const QString& catalogueFile)
        : m_folder(QFileInfo(catalogueFile).absolutePath()), m_asRoot(::geteuid() == 0)
    {
        m_permissions = QFile::permissions(m_folder);
        QFile::setPermissions(m_folder, QFileDevice::ReadOwner | QFileDevice::ExeOwner);
        if (m_asRoot) {
            m_handler = std::signal(SIGXFSZ, SIG_IGN);
            getrlimit(RLIMIT_FSIZE, &m_oldLimit);
            rlimit limit = m_oldLimit;
            limit.rlim_cur = 1;
            setrlimit(RLIMIT_FSIZE, &limit);
        }
    }
    ~BlockedCatalogueWrites()
    {
        if (m_asRoot) {
            setrlimit(RLIMIT_FSIZE, &m_oldLimit);
            std::signal(SIGXFSZ, m_handler);
        }
        QFile::setPermissions(m_folder, m_permissions);
    }
    Q_DISABLE_COPY_MOVE(BlockedCatalogueWrites)

private:
    QString m_folder;
    bool m_asRoot;
    QFileDevice::Permissions m_permissions;
    void (*m_handler)(int) = nullptr;
    rlimit m_oldLimit{};
};
