#pragma once

#include <QJsonObject>
#include <string>

// Small character files for tests and benchmarks: a valid document with every required animation
// over three frames (a face with open, closed and talking mouth), which a test may damage.
QJsonObject SampleCharacterDocument(const QString& name = QStringLiteral("Sample"), int size = 64);
std::string SampleCharacter(const QString& name = QStringLiteral("Sample"), int size = 64);
std::string ToBytes(const QJsonObject& document);
