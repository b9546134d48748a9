#pragma once

#include "fixed_dialog.h"

#include <QString>
#include <memory>

namespace Ui {
class Tnoweradio;
}
namespace platform {
class Shell;
}
class CatalogueStore;

// The new-radio dialog: names a freshly downloaded playlist and installs it, or
// only plays it.
class Tnoweradio final : public FixedDialog
{
    Q_OBJECT
public:
    struct Context
    {
        CatalogueStore& catalogue;
        platform::Shell& shell;
        // Where the downloaded playlist waits; Play hands it to the player.
        QString temporaryPlaylist;
    };

    Tnoweradio(QWidget* owner, Context context);
    ~Tnoweradio() override;

    Ui::Tnoweradio& form() { return *ui; }

    void Button1Click(); // Install
    void Button2Click(); // Play

Q_SIGNALS:
    // Play handed the playlist to the player without installing it.
    void temporaryStationPlayed(const QString& name, const QString& description);

private:
    std::unique_ptr<Ui::Tnoweradio> ui;
    Context m_context;
};
