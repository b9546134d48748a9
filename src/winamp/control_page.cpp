#include "control_page.h"

#include "winamp_link.h"

ControlPage::ControlPage(const ControlWidgets& widgets, ControlPageContext context, QObject* parent)
    : QObject(parent), m_widgets(widgets), m_context(std::move(context))
{
}

// TODO(control-page issue): every handler below.
void ControlPage::SpeedButton1Click() {}
void ControlPage::SpeedButton2Click() {}
void ControlPage::SpeedButton3Click() {}
void ControlPage::SpeedButton4Click() {}
void ControlPage::glosnoscChange() {}
void ControlPage::Button8Click() {}
void ControlPage::Timer1Timer()
{
    m_context.winamp.LookUpWhileNotFound();
}
void ControlPage::wybraneradiobtnClick() {}
