#include "tnoweradio.h"

#include "ui_noweradio.h"

Tnoweradio::Tnoweradio(QWidget* owner, Context context)
    : FixedDialog(owner), ui(std::make_unique<Ui::Tnoweradio>()), m_context(context)
{
    ui->setupUi(this);
    finishLayout();
    connect(ui->Button1, &QPushButton::clicked, this, &Tnoweradio::Button1Click);
    connect(ui->Button2, &QPushButton::clicked, this, &Tnoweradio::Button2Click);
}

Tnoweradio::~Tnoweradio() = default;

// TODO(installed-radios issue): Install and Play.
void Tnoweradio::Button1Click() {}
void Tnoweradio::Button2Click() {}
