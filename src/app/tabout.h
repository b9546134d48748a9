#pragma once

#include "fixed_dialog.h"

#include <memory>

namespace Ui {
class Tabout;
}
namespace platform {
class Shell;
}
struct FixedPaths;

// The About box: what Wavedock is, its version and licence, what it is built on
// and where it keeps the user's stations. It does not block the main window.
class Tabout final : public FixedDialog
{
    Q_OBJECT
public:
    Tabout(QWidget* owner, const FixedPaths& paths, platform::Shell& shell);
    ~Tabout() override;

    Ui::Tabout& form() { return *ui; }
    // The folder "Show in file manager" opens: it holds the catalogue and the
    // playlists' folder.
    const QString& DataFolder() const { return m_dataFolder; }

private:
    std::unique_ptr<Ui::Tabout> ui;
    platform::Shell& m_shell;
    QString m_licenceFile;
    QString m_dataFolder;
};
