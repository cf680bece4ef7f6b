#include "platform/sound/qt_sound_player.h"

#include <QAudioDevice>
#include <QFile>
#include <QFileInfo>
#include <QMediaDevices>
#include <QSoundEffect>
#include <QUrl>

#include "platform/log/log.h"

QtSoundPlayer::QtSoundPlayer() = default;

QtSoundPlayer::~QtSoundPlayer() = default;

void QtSoundPlayer::PlayLooping(const std::string& path) {
    Stop();
    const QFileInfo file(QFile::decodeName(QByteArray::fromStdString(path)));
    // Checked here so that a missing file is silent: Qt would print a decoding error for it.
    if (path.empty() || !file.isFile() || !file.isReadable()) {
        return;
    }

    // Qt decodes the whole file into memory, holding its samples as stored: the file's size is
    // what decoding takes, and it is checked before Qt sees the file.
    if (file.size() > kMaxSoundFileBytes) {
        LogLine("cannot play " + path + ": " + std::to_string(file.size()) + " bytes, at most " +
                std::to_string(kMaxSoundFileBytes));
        return;
    }

    current_ = QFile::encodeName(file.absoluteFilePath()).toStdString();
    // Without an output nothing would be heard, and Qt complains about every sound it readies.
    if (QMediaDevices::audioOutputs().isEmpty()) {
        return;
    }

    effect_ = std::make_unique<QSoundEffect>();
    QObject::connect(effect_.get(), &QSoundEffect::statusChanged, effect_.get(), [this] {
        if (effect_->status() == QSoundEffect::Error) {
            current_.clear();
        }
    });
    effect_->setLoopCount(QSoundEffect::Infinite);
    effect_->setSource(QUrl::fromLocalFile(file.absoluteFilePath()));
    effect_->play();
}

void QtSoundPlayer::Stop() {
    effect_.reset();
    current_.clear();
}

bool QtSoundPlayer::IsLoading() const {
    return effect_ && effect_->status() == QSoundEffect::Loading;
}

bool QtSoundPlayer::IsAudible() const {
    return effect_ && effect_->isPlaying();
}
