#pragma once

#include <QWidget>
#include <memory>

namespace Ui {
class Tsplash;
}
class QTimer;

// The start-up picture: borderless, on top, centred, its pure-white pixels
// see-through. Its own timer closes and destroys it 3.5 s after it was made.
class Tsplash final : public QWidget
{
    Q_OBJECT
public:
    explicit Tsplash(QWidget* owner);
    ~Tsplash() override;

    void Timer1Timer();
    QTimer* timer() const { return Timer1; }

protected:
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    std::unique_ptr<Ui::Tsplash> ui;
    QTimer* Timer1;
};
