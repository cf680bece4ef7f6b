#include "support/character_samples.h"

#include <QJsonArray>
#include <QJsonDocument>

#include "character/character_file.h"

namespace {

QString Face(int size, const QString& mouth) {
    return QStringLiteral(
               "<svg xmlns=\"http://www.w3.org/2000/svg\" viewBox=\"0 0 %1 %1\">"
               "<circle cx=\"%2\" cy=\"%2\" r=\"%3\" fill=\"#3a6ea5\"/>%4</svg>")
        .arg(size)
        .arg(size / 2)
        .arg(size / 2 - 2)
        .arg(mouth);
}

QJsonObject Steps(std::initializer_list<const char*> frames, bool loop) {
    QJsonArray steps;
    for (const char* frame : frames) {
        steps.append(QJsonObject{{"frame", frame}, {"ms", 40}});
    }
    return QJsonObject{{"loop", loop}, {"steps", steps}};
}

}  // namespace

QJsonObject SampleCharacterDocument(const QString& name, int size) {
    const QString rest =
        QStringLiteral("<rect x=\"20\" y=\"40\" width=\"24\" height=\"4\" fill=\"#fff\"/>");
    const QString talk = QStringLiteral("<circle cx=\"32\" cy=\"42\" r=\"6\" fill=\"#fff\"/>");
    QJsonObject animations;
    for (const QString& animation : RequiredAnimations()) {
        const bool loop = animation == QLatin1String("Idle") || animation == QLatin1String("Talk");
        animations[animation] = animation == QLatin1String("Talk") ? Steps({"talk", "rest"}, loop)
                                                                   : Steps({"rest", "blink"}, loop);
    }
    return QJsonObject{
        {"format", "quorvan-character"},
        {"version", 1},
        {"name", name},
        {"width", size},
        {"height", size},
        {"frames", QJsonObject{{"rest", Face(size, rest)},
                               {"blink", Face(size, QString())},
                               {"talk", Face(size, talk)}}},
        {"animations", animations},
    };
}

std::string SampleCharacter(const QString& name, int size) {
    return ToBytes(SampleCharacterDocument(name, size));
}

std::string ToBytes(const QJsonObject& document) {
    return QJsonDocument(document).toJson(QJsonDocument::Compact).toStdString();
}
