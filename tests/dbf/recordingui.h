#pragma once
// An interaction that records every message instead of showing it.
#include "base/interaction.h"

#include <QStringList>

class RecordingUi : public TInteraction {
public:
    QStringList messages;
    int pokaziSporocilo(const QString &text, TMsgDlgType, TMsgDlgButtons, int) override
    {
        messages << text;
        return mrOk;
    }
    void showMessage(const QString &text) override { messages << text; }
    void processEvents() override {}
};
