#include "picture.h"

#include "bitmap.h"
#include "error.h"
#include "jpeg_image.h"

#include <QFile>

namespace {

std::unique_ptr<TGraphic> graphicFor(const QByteArray& data)
{
    if (data.startsWith("\xFF\xD8"))
        return std::make_unique<TJPEGImage>();
    if (data.startsWith("BM"))
        return std::make_unique<TBitmap>();
    throw Error(QStringLiteral("The picture is neither a JPEG file nor a Windows bitmap"));
}

} // namespace

TPicture::TPicture() = default;

TPicture::~TPicture()
{
    // Nobody listens to a picture on its way out.
    if (m_graphic)
        m_graphic->disconnect(this);
}

int TPicture::Width() const
{
    return m_graphic ? m_graphic->Width() : 0;
}

int TPicture::Height() const
{
    return m_graphic ? m_graphic->Height() : 0;
}

void TPicture::adopt(std::unique_ptr<TGraphic> graphic)
{
    if (m_graphic)
        m_graphic->disconnect(this);
    m_graphic = std::move(graphic);
    if (!m_graphic)
        return;
    connect(m_graphic.get(), &TGraphic::changed, this, [this] { Q_EMIT changed(this); });
    connect(m_graphic.get(), &TGraphic::progress, this, &TPicture::progress);
}

void TPicture::setGraphic(std::unique_ptr<TGraphic> graphic)
{
    adopt(std::move(graphic));
    Q_EMIT changed(this);
}

void TPicture::Assign(const TPicture& source)
{
    if (&source == this)
        return;
    setGraphic(source.m_graphic ? source.m_graphic->Clone() : nullptr);
}

void TPicture::LoadFromData(const QByteArray& data)
{
    // The new graphic is ours while it decodes, so that a control with
    // incremental display paints its rows as they come; on failure the
    // previous graphic comes back.
    std::unique_ptr<TGraphic> fresh = graphicFor(data);
    if (m_graphic)
        m_graphic->disconnect(this);
    std::unique_ptr<TGraphic> previous = std::move(m_graphic);
    adopt(std::move(fresh));
    try {
        m_graphic->LoadFromData(data);
    } catch (...) {
        adopt(std::move(previous));
        Q_EMIT changed(this);
        throw;
    }
}

void TPicture::LoadFromFile(const QString& fileName)
{
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly))
        throw Error(
            QStringLiteral("Cannot open the picture %1: %2").arg(fileName, file.errorString()));
    const QByteArray data = file.readAll();
    try {
        LoadFromData(data);
    } catch (const Error& error) {
        throw Error(QStringLiteral("%1: %2").arg(fileName, error.message()));
    }
}

void TPicture::StretchDraw(QPainter& painter, const QRect& target) const
{
    if (m_graphic)
        m_graphic->StretchDraw(painter, target);
}

void TPicture::Draw(QPainter& painter, const QPoint& at) const
{
    if (m_graphic && !m_graphic->Empty())
        m_graphic->Draw(painter, at);
}
