#include "browser/SpeechSynthesizer.h"

#include <QTextToSpeech>

bool SpeechSynthesizer::startSpeakingString(const QString& text) {
    if (!speech_) {
        if (QTextToSpeech::availableEngines().isEmpty()) return false;
        speech_ = new QTextToSpeech(this);
    }
    if (speech_->state() == QTextToSpeech::Error || speech_->availableVoices().isEmpty()) return false;
    speech_->say(text);
    return speech_->state() != QTextToSpeech::Error;
}

QString SpeechSynthesizer::lastError() const {
    return speech_ && speech_->state() == QTextToSpeech::Error ? speech_->errorString() : QString();
}
