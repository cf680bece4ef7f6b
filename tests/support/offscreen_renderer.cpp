#include "support/offscreen_renderer.h"

#include <QTimer>

void OffscreenRenderer::LoadDocument(int generation, const std::string&, const std::string&) {
    QTimer::singleShot(0, this,
                       [this, generation] { client_.OnRendererDocumentReady(generation); });
}
