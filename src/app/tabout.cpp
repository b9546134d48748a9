#include "tabout.h"

#include "fixed_paths.h"
#include "message_boxes.h"
#include "shell.h"
#include "ui_about.h"
#include "version.h"

#include <QFileInfo>

namespace {

// A path in a box narrower than it: its start in view, the whole in the hint.
void ShowPath(QLineEdit* box, const QString& path)
{
    box->setText(path);
    box->setCursorPosition(0);
    box->setToolTip(path);
    box->setAccessibleDescription(path);
}

} // namespace

Tabout::Tabout(QWidget* owner, const FixedPaths& paths, platform::Shell& shell)
    : FixedDialog(owner), ui(std::make_unique<Ui::Tabout>()), m_shell(shell),
      m_licenceFile(paths.licenceFile), m_dataFolder(QFileInfo(paths.catalogueFile).absolutePath())
{
    ui->setupUi(this);
    ui->nameAndVersion->setText(ui->nameAndVersion->text().arg(QLatin1String(kVersion)));
    ui->libraries->setText(ui->libraries->text().arg(QLatin1String(qVersion())));
    ShowPath(ui->catalogueFile, paths.catalogueFile);
    ShowPath(ui->radiosFolder, paths.radiosFolder);
    // This box only informs: Return and Escape both close it.
    finishLayout(ui->closeButton, ui->closeButton);

    const auto open = [this](const QString& file) {
        const platform::OpenResult opened = m_shell.Open(file, platform::ShowCommand::Normal);
        if (!opened.Opened())
            ShowMessage(opened.failure);
    };
    connect(ui->licenceButton, &QPushButton::clicked, this, [open, this] { open(m_licenceFile); });
    connect(ui->openFolderButton, &QPushButton::clicked, this,
            [open, this] { open(m_dataFolder); });
    connect(ui->closeButton, &QPushButton::clicked, this, &QDialog::accept);
}

Tabout::~Tabout() = default;
