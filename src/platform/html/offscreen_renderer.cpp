#include "platform/html/offscreen_renderer.h"

#include <QTimer>

void OffscreenRenderer::LoadDocument(int generation, const std::string&, const std::string&) {
    QTimer::singleShot(0, this,
                       [this, generation] { m_client.OnRendererDocumentReady(generation); });
}
