#pragma once

#include <QObject>

class SettingsForm;

// Two small requests of the settings form that stand apart from the tabs:
// the parameter clear of "清空" (`Command18`, D5 01) and the phone-number
// batch driven by `Timer4`, one D4 frame per tick. Nothing in the program
// enables Timer4, so the batch is idle unless something starts it.
class PhoneBatch : public QObject {
    Q_OBJECT
public:
    // Wires Command18 and Timer4 of `form`.
    PhoneBatch(SettingsForm* form, QObject* parent);

    // "清空": asks the module to clear its parameters. With the port closed
    // it opens the connect dialog instead.
    void clearParams();
    // One batch step (the Timer4 tick): the next frame while the count in
    // Text12 allows one, else the end of the batch.
    void tick();

private:
    SettingsForm* m_form;
};
