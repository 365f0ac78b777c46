#pragma once

#include <QPointer>
#include <memory>

#include "core/ProgramForms.h"

class MainWindow;
class Frm7340COM;

// Kestrun's forms as the shared main window sees them.
class KestrunForms : public ProgramForms {
public:
    void attach(MainWindow* main) { m_main = main; }

    // The settings form while it is loaded, else nullptr.
    Frm7340COM* settingsForm() const;

    void showSettingsForm() override;

private:
    MainWindow* m_main = nullptr;
    QPointer<Frm7340COM> m_settings;
};

// The whole program: main window and forms. The main window is shown by the
// caller; the forms object must outlive it.
struct Kestrun {
    std::unique_ptr<KestrunForms> forms;
    std::unique_ptr<MainWindow> main;
    ~Kestrun();
};
std::unique_ptr<Kestrun> createKestrun();
