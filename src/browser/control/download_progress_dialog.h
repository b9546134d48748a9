#pragma once

#include "url_download.h"

#include <QPointer>
#include <QProgressDialog>
#include <functional>
#include <memory>

// The progress window of a slow download, with Cancel. Application modal while
// shown, so the download's wait can let input through to it alone.
class DownloadProgressDialog final : public platform::DownloadProgress
{
public:
    // `owner` centres and owns the window while it is shown; may be null.
    explicit DownloadProgressDialog(QWidget* owner = nullptr);
    ~DownloadProgressDialog() override;
    DownloadProgressDialog(const DownloadProgressDialog&) = delete;
    DownloadProgressDialog& operator=(const DownloadProgressDialog&) = delete;

    void Show(const QString& url, std::function<void()> cancel) override;
    void Update(qint64 received, qint64 total) override;
    void Hide() override;

    // The window while a download shows it, else null (for tests).
    QProgressDialog* dialog() const { return m_dialog.get(); }

private:
    QPointer<QWidget> m_owner;
    std::unique_ptr<QProgressDialog> m_dialog;
};
