#pragma once

#include "graphic.h"

// A JPEG (JFIF) picture, decoded with libjpeg from memory.
class TJPEGImage final : public TGraphic
{
    Q_OBJECT
public:
    TJPEGImage() = default;

    // Decodes baseline and progressive JPEGs in colour or grey. Damaged or
    // incomplete data throws Error; libjpeg's warnings about corrupt data
    // count as errors, since they mean part of the picture is made up.
    void LoadFromData(const QByteArray& data) override;
    std::unique_ptr<TGraphic> Clone() const override;
};
