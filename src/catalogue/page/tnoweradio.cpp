#include "tnoweradio.h"

#include "catalogue_store.h"
#include "message_boxes.h"
#include "shell.h"
#include "ui_noweradio.h"

Tnoweradio::Tnoweradio(QWidget* owner, Context context)
    : FixedDialog(owner), ui(std::make_unique<Ui::Tnoweradio>()), m_context(std::move(context))
{
    ui->setupUi(this);
    finishLayout(ui->Button1);
    connect(ui->Button1, &QPushButton::clicked, this, &Tnoweradio::Button1Click);
    connect(ui->Button2, &QPushButton::clicked, this, &Tnoweradio::Button2Click);
}

Tnoweradio::~Tnoweradio() = default;

void Tnoweradio::Button1Click()
{
    // Only an empty name is refused; blanks are a name the user chose.
    const QString name = ui->nazwaradia->text();
    if (name.isEmpty()) {
        ShowMessage(QStringLiteral("You must give this radio a name."));
        return;
    }
    // A failed catalogue write throws past accept(): the dialog stays open with
    // what was typed, and nothing was stored.
    const CatalogueStore::InstallResult result =
        m_context.catalogue.InstallStation(name, ui->opisradia->text());
    if (result == CatalogueStore::InstallResult::PlaylistNotMoved)
        ShowMessage(QString::fromLatin1(kInstallFailedMessage));
    accept();
}

void Tnoweradio::Button2Click()
{
    // The playlist stays where it is; it is only handed to the player. When
    // no program takes it, the dialog stays, so that it can still be installed.
    const platform::OpenResult opened =
        m_context.shell.Open(m_context.temporaryPlaylist, platform::ShowCommand::Minimize);
    if (!opened.Opened()) {
        ShowMessage(opened.failure);
        return;
    }
    Q_EMIT temporaryStationPlayed(QStringLiteral("Temporary radio"),
                                  QStringLiteral("Unknown, not installed station."));
    accept();
}
