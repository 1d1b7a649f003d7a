// Speaks a short message with the desktop's default voice (Qt's text-to-speech, the flite
// engine on Debian). Where no engine or voice is available, or the engine fails later (no
// audio device), nothing is heard: callers always show the message as well.
#pragma once

#include <QObject>
#include <QString>

class QTextToSpeech;

class SpeechSynthesizer : public QObject {
    Q_OBJECT
public:
    explicit SpeechSynthesizer(QObject* parent = nullptr) : QObject(parent) {}
    // Starts speaking text (main thread); false when no voice is there to speak it.
    bool startSpeakingString(const QString& text);
    // The engine's last error, empty when none.
    QString lastError() const;

private:
    QTextToSpeech* speech_ = nullptr;  // made at the first message: loading a voice takes a while
};
