#include "picture.h"

#include "bitmap.h"
#include "error.h"
#include "jpeg_image.h"

#include <QFile>
#include <QFileInfo>

namespace {

// "header.jpg" drawn at twice the size is "header@2x.jpg" beside it, the
// naming Qt's own image loading uses.
QString DoubleSizeName(const QString& fileName)
{
    const QFileInfo info(fileName);
    const QString suffix = info.suffix();
    const QString stem = suffix.isEmpty() ? fileName : fileName.chopped(suffix.size() + 1);
    return suffix.isEmpty() ? stem + QStringLiteral("@2x") : stem + QStringLiteral("@2x.") + suffix;
}

QByteArray ReadWhole(const QString& fileName)
{
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly))
        throw Error(
            QStringLiteral("Cannot open the picture %1: %2").arg(fileName, file.errorString()));
    return file.readAll();
}

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
    // A picture drawn at twice the size beside it serves screens of higher
    // density; it is decoded by the same means (JPEG through libjpeg).
    const QString doubleSizeName = DoubleSizeName(fileName);
    const bool hasDoubleSize = QFileInfo::exists(doubleSizeName);
    const QByteArray data = ReadWhole(fileName);
    std::unique_ptr<TGraphic> previous = hasDoubleSize && m_graphic ? m_graphic->Clone() : nullptr;
    try {
        LoadFromData(data);
    } catch (const Error& error) {
        throw Error(QStringLiteral("%1: %2").arg(fileName, error.message()));
    }
    if (!hasDoubleSize)
        return;
    try {
        const QByteArray doubleSizeData = ReadWhole(doubleSizeName);
        std::unique_ptr<TGraphic> doubleSize = graphicFor(doubleSizeData);
        doubleSize->LoadFromData(doubleSizeData);
        m_graphic->setDoubleSizeImage(doubleSize->Image());
    } catch (const Error& error) {
        // Both files load or the picture stays as it was.
        setGraphic(std::move(previous));
        throw Error(QStringLiteral("%1: %2").arg(doubleSizeName, error.message()));
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
