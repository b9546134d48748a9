#include "download_progress_dialog.h"

#include "application.h"

DownloadProgressDialog::DownloadProgressDialog(QWidget* owner) : m_owner(owner) {}

DownloadProgressDialog::~DownloadProgressDialog() = default;

void DownloadProgressDialog::Show(const QString& url, std::function<void()> cancel)
{
    // A fresh window per download: it never carries an old Cancel action.
    m_dialog = std::make_unique<QProgressDialog>(m_owner);
    m_dialog->setWindowTitle(Application::Title());
    m_dialog->setLabelText(QStringLiteral("Downloading %1").arg(url));
    m_dialog->setCancelButtonText(QStringLiteral("Cancel"));
    m_dialog->setWindowModality(Qt::ApplicationModal);
    m_dialog->setAutoClose(false);
    m_dialog->setAutoReset(false);
    m_dialog->setMinimumDuration(0);
    m_dialog->setRange(0, 0); // busy until the size is known
    QObject::connect(m_dialog.get(), &QProgressDialog::canceled, m_dialog.get(),
                     [cancel = std::move(cancel)] { cancel(); });
    m_dialog->show();
}

void DownloadProgressDialog::Update(qint64 received, qint64 total)
{
    if (!m_dialog)
        return;
    // QProgressDialog counts in int; kilobytes keep any size in range.
    if (total > 0) {
        m_dialog->setRange(0, int(qMax<qint64>(1, total / 1024)));
        m_dialog->setValue(int(qMin(received, total) / 1024));
    }
}

void DownloadProgressDialog::Hide()
{
    // Hiding first lets the modal state end before the window goes.
    if (m_dialog)
        m_dialog->hide();
    m_dialog.reset();
}
