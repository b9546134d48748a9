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
class QLineEdit;

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
        // The control page's name and description boxes, which Play fills.
        QLineEdit& aktnazwa;
        QLineEdit& aktopis;
    };

    Tnoweradio(QWidget* owner, Context context);
    ~Tnoweradio() override;

    Ui::Tnoweradio& form() { return *ui; }

    void Button1Click(); // Install
    void Button2Click(); // Play

private:
    std::unique_ptr<Ui::Tnoweradio> ui;
    Context m_context;
};
