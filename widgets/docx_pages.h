#pragma once
// A word-processor document (.docx) made of page images, one per page, for the
// preview's "Exportar a DOC".

#include <QByteArray>
#include <QString>
#include <vector>

class QImage;

namespace remu {

QByteArray pngBytes(const QImage& image);

// Writes `path` with one page per PNG, each image filling a page of the given size
// (no margins). The file is written whole or not at all. False with `error` on failure.
bool writePageImagesDocx(const QString& path, const std::vector<QByteArray>& pngs, double pageWidthMm,
                         double pageHeightMm, QString* error = nullptr);

}  // namespace remu
