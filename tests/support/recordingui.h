#pragma once
// The TInteraction of tests: records every message and every question (the
// message dialog) and answers questions with a chosen result.
#include "base/interaction.h"

#include <QStringList>

class RecordingUi : public TInteraction {
public:
    QStringList messages;
    QStringList questions;
    int answer = mrYes;
    int processed = 0;

    int pokaziSporocilo(const QString &text, TMsgDlgType, TMsgDlgButtons, int) override
    {
        questions << text;
        return answer;
    }
    void showMessage(const QString &text) override { messages << text; }
    void processEvents() override { ++processed; }
};
