// Writes pictures of the shipped characters: each animation's key frame, and the character with
// a Chinese balloon. Usage: character_screenshots CHARACTER_DIR OUTPUT_DIR

#include <QApplication>
#include <QImage>
#include <QPainter>
#include <cstdio>

#include "character/qtagent/qt_agent.h"
#include "character/qtagent/qt_agent_character.h"

namespace {

// The frame an animation holds longest: the pose it is about.
int KeyFrame(const CharacterAnimation& animation) {
    const CharacterStep* key = &animation.steps.front();
    for (const CharacterStep& step : animation.steps) {
        if (step.ms > key->ms) {
            key = &step;
        }
    }
    return key->frame;
}

QImage OnPaper(const QImage& frame) {
    QImage sheet(frame.size() + QSize(20, 20), QImage::Format_RGB32);
    sheet.fill(QColor(255, 255, 225));
    QPainter(&sheet).drawImage(10, 10, frame);
    return sheet;
}

}  // namespace

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    if (argc != 3) {
        std::fprintf(stderr, "usage: character_screenshots CHARACTER_DIR OUTPUT_DIR\n");
        return 2;
    }
    const QString out = QString::fromLocal8Bit(argv[2]);
    QtCharacterAgent agent(argv[1]);
    int written = 0;
    for (const char16_t* file : {u"merlin.acs", u"Genie.acs"}) {
        long id = 0;
        if (agent.Load(file, id)) {
            std::fprintf(stderr, "cannot load %s\n",
                         QString::fromStdU16String(file).toUtf8().data());
            continue;
        }
        auto* character = static_cast<QtAgentCharacter*>(agent.GetCharacterEx(id));
        if (!character->WaitForFrames()) {
            continue;
        }
        const CharacterData& data = character->Data();
        const std::vector<QImage>& frames = character->Frames();
        const QString stem = QString::fromStdU16String(file).section(QLatin1Char('.'), 0, 0);
        for (const auto& [name, animation] : data.animations) {
            OnPaper(frames[static_cast<size_t>(KeyFrame(animation))])
                .save(QStringLiteral("%1/%2-%3.png").arg(out, stem, name));
            ++written;
        }
        // The balloon as the learner sees it, above the character.
        character->MoveTo(20, 200, 0);
        character->Show(true);
        character->Speak(u"你好！今天我们学习第一课。Hello! Today we learn lesson one.");
        character->Advance(0);
        BalloonWindow* balloon = character->Balloon();
        const QRect all = balloon->geometry().united(character->Window()->geometry());
        QImage scene(all.size() + QSize(20, 20), QImage::Format_RGB32);
        scene.fill(QColor(255, 255, 225));
        {
            QPainter painter(&scene);
            const QPoint origin = all.topLeft() - QPoint(10, 10);
            painter.drawImage(character->Window()->pos() - origin,
                              frames[static_cast<size_t>(character->Window()->Frame())]);
            balloon->render(&painter, balloon->pos() - origin, QRegion(), QWidget::DrawChildren);
        }
        scene.save(QStringLiteral("%1/%2-balloon.png").arg(out, stem));
        ++written;
    }
    std::printf("%d pictures in %s\n", written, argv[2]);
    return written > 0 ? 0 : 1;
}
