// The composition root: builds the real platform services and hands them to the windows.
#include "AutoAway.h"
#include "Beacon.h"
#include "ClickLabel.h"
#include "ClientChoice.h"
#include "ClientSwitch.h"
#include "Clock.h"
#include "DesktopShell.h"
#include "DtmfWindows.h"
#include "GatewaySwitching.h"
#include "GermanDialogs.h"
#include "GermanErrors.h"
#include "KeyingProcessLine.h"
#include "LineGuard.h"
#include "LoginLinks.h"
#include "MumbleClient.h"
#include "OwnWindowsInput.h"
#include "ProgramFolder.h"
#include "PulseCapture.h"
#include "PulseSound.h"
#include "QtPrompts.h"
#include "QtSerialLine.h"
#include "Registry.h"
#include "ScreenPlace.h"
#include "ScreenSaverIdle.h"
#include "SenderSettings.h"
#include "SessionIdle.h"
#include "SharedState.h"
#include "SoundSources.h"
#include "SquelchInput.h"
#include "TSRemote.h"
#include "TSRemoteLibrary.h"
#include "TrafficIdent.h"
#include "TransmissionLog.h"
#include "TransmitTab.h"
#include "UserStatistics.h"
#include "WaylandIdle.h"
#include "WindowLife.h"
#include "X11Input.h"
#include "XdgSchemeHandler.h"
#include "frmCOM.h"
#include "frmDTMF.h"
#include "frmKick.h"
#include "frmMain.h"
#include "frmOptions.h"
#include "frmOptions2.h"
#include "frmSender.h"
#include "frmSprecher.h"
#include "frmSquelch.h"
#include "frmStatic.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QProcess>
#include <QSlider>
#include <QSystemTrayIcon>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string_view>
#include <unistd.h>

namespace {

bool haveDisplay() {
    const auto set = [](const char* name) {
        const char* v = std::getenv(name);
        return v != nullptr && *v != '\0';
    };
    return set("QT_QPA_PLATFORM") || set("DISPLAY") || set("WAYLAND_DISPLAY");
}

constexpr const char* Usage =
    "usage: quorvex [-dtmf]\n"
    "       quorvex --help | --version\n"
    "A radio gateway for a voice-chat client: keys a transmitter through the RTS or DTR\n"
    "line of a serial port while another player speaks. Settings live in ts.ini.\n"
    "  -dtmf      switch the DTMF keypad's recognition on\n"
    "  --help     this text\n"
    "  --version  the program's version\n";

constexpr const char* Licence =
    "Copyright (C) 2026 Quorvex-Team\n"
    "License GPL-3.0-or-later: GNU GPL version 3 or later "
    "<https://www.gnu.org/licenses/gpl.html>.\n"
    "This is free software: you are free to change and redistribute it.\n"
    "There is NO WARRANTY, to the extent permitted by law.\n";

// What the command line asks before anything else; -1 when the program is to run.
int commandLineAnswer(int argc, char* argv[]) {
    for (int i = 1; i < argc; ++i) {
        const std::string_view a = argv[i];
        if (a == "--help" || a == "-h")
            return std::fputs(Usage, stdout) < 0 ? 1 : 0;
        if (a == "--version")
            return std::printf("quorvex %s\n%s", QUORVEX_VERSION_TEXT, Licence) < 0 ? 1 : 0;
    }
    return -1;
}

// Qt has taken its own options (-platform, -style ...); what is left must be ours.
bool onlyOurOptions(const QStringList& arguments) {
    for (const QString& a : arguments) {
        if (a != QLatin1String("-dtmf")) {
            std::fprintf(stderr, "quorvex: unknown option '%s'\n%s", a.toLocal8Bit().constData(),
                         Usage);
            return false;
        }
    }
    return true;
}

// The keying process: named in the environment (tests), beside the program (a build), or
// where the package puts it.
QString keyerProgram() {
    if (const QString named = qEnvironmentVariable("QUORVEX_KEYER"); !named.isEmpty())
        return named;
    const QDir here(QCoreApplication::applicationDirPath());
    const QString beside = here.filePath(QStringLiteral("quorvex-keyer"));
    return QFileInfo::exists(beside)
               ? beside
               : here.filePath(QStringLiteral("../libexec/quorvex/quorvex-keyer"));
}

// An interface of its own by name, for messages; empty for the COM port of page 1.
QString keyingInterfaceName(const platform::KeyingInterface& k) {
    using Way = platform::KeyingInterface::Way;
    switch (k.way) {
    case Way::Cm108:
        return QStringLiteral("CM108") +
               (k.device.isEmpty() ? QString() : QLatin1Char(' ') + k.device);
    case Way::Hamlib:
        return QStringLiteral("Hamlib (Modell %1, %2)").arg(k.model).arg(k.device);
    case Way::Gpio:
        return QStringLiteral("GPIO %1 Leitung %2").arg(k.device).arg(k.pin);
    case Way::Com:
        break;
    }
    return {};
}

// What the interface needs besides [Sender]: a CM108 left to be found is the one beside the
// sound card the program listens to (the squelch's sound source, or the default input); a
// GPIO squelch is a line of the keying chip.
platform::KeyingInterface withSquelchSide(platform::KeyingInterface k, const QString& iniFile) {
    const SquelchSettings squelch = readSquelchSettings(iniFile);
    if (k.way == platform::KeyingInterface::Way::Cm108 && k.device.isEmpty())
        k.soundCard = QString::fromStdString(platform::pulse::sourceSysfsPath(
            squelch.soundSource.toStdString(), std::chrono::seconds(1)));
    if (k.way == platform::KeyingInterface::Way::Gpio &&
        squelch.source == SquelchSettings::Source::Gpio)
        k.inputLine = squelch.gpioInput;
    return k;
}

// A squelch read from the keying interface (a CM108's button, the radio's DCD by CAT, a
// GPIO line) needs that interface to key: through another one it would be some other
// line. Such a squelch is left off, and said why.
SquelchSettings squelchOfInterface(SquelchSettings s, platform::KeyingInterface::Way way,
                                   platform::Prompts& prompts) {
    using Source = SquelchSettings::Source;
    using Way = platform::KeyingInterface::Way;
    const std::optional<Way> needs = s.source == Source::Cm108    ? std::optional(Way::Cm108)
                                     : s.source == Source::Hamlib ? std::optional(Way::Hamlib)
                                     : s.source == Source::Gpio   ? std::optional(Way::Gpio)
                                                                  : std::nullopt;
    if (needs && *needs != way) {
        prompts.warnLater(QStringLiteral("Die Squelch-Quelle %1 geh\u00F6rt zur "
                                         "Sender-Schnittstelle %1, getastet wird aber anders: "
                                         "die Squelch bleibt aus.")
                              .arg(squelchSourceWord(s.source)));
        s.source = Source::Off;
    }
    return s;
}

} // namespace

int main(int argc, char* argv[]) {
    if (const int answered = commandLineAnswer(argc, argv); answered >= 0)
        return answered;
    if (!haveDisplay()) {
        std::fprintf(stderr, "quorvex: no display (DISPLAY is not set); run it headless with "
                             "'xvfb-run -a quorvex' or 'QT_QPA_PLATFORM=offscreen quorvex'.\n");
        return 2;
    }
    // On a Wayland session the program runs through XWayland unless a platform was chosen:
    // the speaker window's "always on top", the windows' remembered places and the main
    // window's return need what X11 offers and Wayland leaves to the compositor.
    if (qEnvironmentVariable("XDG_SESSION_TYPE") == QLatin1String("wayland") &&
        qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") && !qEnvironmentVariableIsEmpty("DISPLAY") &&
        !std::any_of(argv + 1, argv + argc,
                     [](const char* a) { return std::string_view(a) == "-platform"; }))
        qputenv("QT_QPA_PLATFORM", "xcb");
    QApplication application(argc, argv);
    // The main window parks hidden in the tray and the settings page lives hidden:
    // only the program's own exit paths end it.
    QApplication::setQuitOnLastWindowClosed(false);
    if (QString why; !platform::installGermanDialogTexts(application, &why))
        std::fprintf(stderr,
                     "quorvex: standard dialogs stay untranslated: %s "
                     "(Debian package qt6-translations-l10n)\n",
                     why.toLocal8Bit().constData());

    const QString executable = QCoreApplication::applicationFilePath();
    const platform::ProgramFolders folders = platform::currentProgramFolders();

    platform::TSRemoteLibrary library(platform::TSRemoteLibrary::candidates(
        qEnvironmentVariable(platform::TSRemoteLibrary::PathVariable),
        QCoreApplication::applicationDirPath()));
    // The client chosen on page 2 of the settings, switched while the program runs.
    platform::MumbleClient mumble;
    platform::ClientSwitch client(library, mumble);
    clientlink::TSRemote ts(client);

    platform::SystemClock clock;
    // Titled with the program's name as the desktop shows it, not the file's lower case.
    QString programTitle = QFileInfo(executable).completeBaseName();
    if (!programTitle.isEmpty())
        programTitle[0] = programTitle[0].toUpper();
    platform::QtPrompts prompts(programTitle);
    // Until the monitor cycle runs, a warning must not hold the transmitter: start-up's
    // messages wait and then show without blocking it.
    prompts.holdWarnings();
    platform::DesktopShell shell;
    platform::XdgSchemeHandler urlHandler(platform::XdgDirs::fromEnvironment());
    platform::Registry registry(platform::XdgDirs::fromEnvironment(), QDir::homePath());
    app::SharedState state;
    frmOptions options(state, ts, prompts);
    // Sound outlives every window that plays.
    platform::PulseSound sound;
    app::frmMain* mainPtr = nullptr;
    const auto showMain = [&mainPtr] { mainPtr->showAgain(); };
    const auto shellFile = [&mainPtr](const QString& path) { mainPtr->ShellFile(path); };
    // Settings page 2 lives hidden for the whole run, loaded when page 1 first loads.
    // The identification after traffic, made with the beacon below; it outlives the
    // keyer, which tells it the speakers' keyings to the last.
    std::optional<TrafficIdent> ident;
    frmOptions2 page2(state, prompts, sound, registry,
                      Options2Host{showMain, [&options] { showRaised(&options); }, shellFile,
                                   [&client, &options](bool chosen) {
                                       client.choose(chosen ? platform::ClientKind::Mumble
                                                            : platform::ClientKind::TeamSpeak2);
                                       options.adoptClientPort(chosen);
                                   },
                                   [&ident, &state] {
                                       if (ident)
                                           ident->setSettings(readIdentSettings(state.Dateiname));
                                   }});
    bool page2Loaded = false;

    // The keyer and the switching that drives it; the serial line outlives the keyer,
    // whose end closes the port and so drops the keying line.
    // The keying line lives in a process of its own, which drops it when this one is
    // gone or frozen; what it says reaches the person without holding the keyer.
    platform::KeyingProcessLine serialLine(keyerProgram(), [&prompts](const QString& said) {
        QMetaObject::invokeMethod(
            QCoreApplication::instance(), [&prompts, said] { prompts.warnLater(said); },
            Qt::QueuedConnection);
    });
    // keyer_bench only: the serial port keyed from this process, as before the keying
    // process, so that one run measures both ways. No safety of the keying process here.
    platform::QtSerialLine benchDirectLine;
    platform::SerialLine& keyingLine = qEnvironmentVariableIsSet("QUORVEX_BENCH_DIRECT_SERIAL")
                                           ? static_cast<platform::SerialLine&>(benchDirectLine)
                                           : serialLine;
    std::array<QString, 4> portMap;
    // Every keying goes to the transmission log beside ts.ini; it outlives the keyer, whose
    // end is the last record's.
    const QString logFile =
        QDir(folders.settings).filePath(QLatin1String(TransmissionLog::FileName));
    TransmissionLog transmissions(logFile, [&prompts](const QString& problem) {
        QMetaObject::invokeMethod(
            QCoreApplication::instance(), [&prompts, problem] { prompts.warnLater(problem); },
            Qt::QueuedConnection);
    });
    bool identRecord = false; // the line is keyed for the identification
    // The tests' shortened second, for the timers that count minutes.
    const int testSecond = qEnvironmentVariableIntValue("QUORVEX_TEST_SECOND_MS");
    const int second = testSecond >= 20 && testSecond < 1000 ? testSecond : 1000;
    frmCOM keyer(state, keyingLine, clock, prompts,
                 KeyerSettings{
                     [&options] { return options.sldDelay->value(); },
                     [&options] { return options.sldWatchdog->value(); },
                     [&portMap, &serialLine, &state, &options, second](int n) {
                         // The process's own limit: the watchdog's and 30 s more.
                         serialLine.setLimitMs(
                             state.WatchdogEIN ? (options.sldWatchdog->value() * 60LL + 30) * second
                                               : 600LL * second);
                         return n >= 1 && n <= 4 ? portMap[static_cast<size_t>(n - 1)] : QString();
                     },
                     [&options] { options.cmbCOMPort->setCurrentIndex(0); },
                     [&](bool keyed, const QString& cause) {
                         const QString identName = QStringLiteral("Kennung");
                         if (keyed) {
                             identRecord = state.IdentKeying;
                             state.frmCOM.SendetFuer = identRecord || !mainPtr ? identName
                                                       : state.TestKeying
                                                           ? QStringLiteral("Testsenden")
                                                           : mainPtr->cycle().view.lblSprecher;
                             transmissions.begin(state.frmCOM.SendetFuer);
                         } else {
                             transmissions.end(identRecord ? identName : cause);
                         }
                         if (!identRecord && ident)
                             ident->speakerKeying(keyed);
                     },
                     second, [&transmissions](const QString& what) { transmissions.note(what); }});
    // The radio-to-client direction: the own microphone follows the receiver's squelch.
    SquelchInput squelch(
        SquelchInput::Parts{state, ts, keyingLine, clock, prompts, second, true,
                            [&transmissions](const QString& what) { transmissions.note(what); }});
    QPointer<frmSquelch> squelchWindow;
    GatewaySwitching gateway(state, keyer, ts,
                             {[&options] { return options.lblDefaultChannelID->text(); },
                              [&options] { return options.txtChannelPassword->text(); }});
    const auto loadPortMap = [&] {
        portMap = readPortMap(state.Dateiname);
        options.showComDevices(portMap);
    };
    OptionsSeams optionsSeams;
    optionsSeams.COM_schliessen = [&keyer](std::int16_t port) { keyer.COM_schliessen(port); };
    optionsSeams.afterApply = loadPortMap;
    optionsSeams.showPage2 = [&page2] { page2.showPage(); };
    optionsSeams.showSquelch = [&] {
        showRaised(existing(squelchWindow, [&] {
            const SoundSources sources = soundSources(std::chrono::milliseconds(1000));
            SquelchFace face;
            face.sourceNames = [sources] { return sources.names; };
            face.sourceLabels = [sources] { return sources.labels; };
            face.stored = [&state] { return readSquelchSettings(state.Dateiname); };
            face.store = [&](const SquelchSettings& chosen) {
                if (!writeSquelchSettings(state.Dateiname, chosen))
                    prompts.warn(QStringLiteral("Die Squelch-Einstellungen konnten nicht in "
                                                "\"%1\" gespeichert werden.")
                                     .arg(state.Dateiname));
                squelch.setSettings(
                    squelchOfInterface(chosen, readSenderSettings(state.Dateiname).way, prompts));
            };
            face.listen = [&squelch](std::optional<QString> source) {
                squelch.preview(std::move(source));
            };
            face.levelDbfs = [&squelch] { return squelch.levelDbfs(); };
            face.stateText = [&squelch] {
                const auto lamp = squelch.lamp();
                return lamp ? lamp->second : QStringLiteral("nicht in Betrieb");
            };
            return new frmSquelch(face);
        }));
    };
    QPointer<frmSender> senderWindow;
    optionsSeams.showSender = [&] {
        showRaised(existing(senderWindow, [&] {
            SenderFace face;
            face.stored = [&state] { return readSenderSettings(state.Dateiname); };
            face.store = [&](const platform::KeyingInterface& chosen) {
                if (!writeSenderSettings(state.Dateiname, chosen))
                    prompts.warn(QStringLiteral("Die Sender-Schnittstelle konnte nicht in \"%1\" "
                                                "gespeichert werden.")
                                     .arg(state.Dateiname));
                serialLine.setInterface(withSquelchSide(chosen, state.Dateiname));
                squelch.setSettings(
                    squelchOfInterface(readSquelchSettings(state.Dateiname), chosen.way, prompts));
                state.frmCOM.Schnittstelle = keyingInterfaceName(chosen);
                // The next tick opens the interface chosen now.
                keyer.COM_schliessen(state.frmOptions.COMPortAuswahl);
            };
            face.choices = [] {
                QProcess list;
                list.start(keyerProgram(), {QStringLiteral("--liste")});
                list.waitForFinished(3000);
                return QString::fromUtf8(list.readAllStandardOutput())
                    .split(QLatin1Char('\n'), Qt::SkipEmptyParts);
            };
            face.testKey = [&state] {
                state.TestKeying = true;
                QTimer::singleShot(2000, [&state] { state.TestKeying = false; });
            };
            face.stateText = [&state, &keyingLine] {
                const app::ComKeyerVariables& k = state.frmCOM;
                QString text = !k.COMPortOffen        ? QStringLiteral("nicht ge\u00F6ffnet")
                               : k.COMPortsperren     ? QStringLiteral("gesperrt (Watchdog)")
                               : k.RTSLit || k.DTRLit ? QStringLiteral("SENDET")
                                                      : QStringLiteral("bereit, nicht getastet");
                int lines = 0;
                if (k.COMPortOffen &&
                    keyingLine.inputLines(lines) == platform::SerialLine::Result::Ok)
                    text += QStringLiteral("; Eing\u00E4nge: DCD %1, CTS %2, DSR %3, RI %4")
                                .arg(lines & 1 ? 1 : 0)
                                .arg(lines & 2 ? 1 : 0)
                                .arg(lines & 4 ? 1 : 0)
                                .arg(lines & 8 ? 1 : 0);
                const QString why = keyingLine.errorText();
                return why.isEmpty() ? text : text + QStringLiteral(" (%1)").arg(why);
            };
            return new frmSender(face);
        }));
    };
    optionsSeams.loadBeacon = [&](const BeaconValues& v) {
        if (!page2Loaded) {
            page2.Form_Load();
            page2Loaded = true;
        }
        page2.loadBeacon(v.EinAus, v.Datei, v.Wann, v.Startzeit);
    };

    // SIGTERM, SIGINT, SIGHUP: the lines drop in the handler, then the program ends.
    platform::TerminationSignals terminations;
    bool mainLoopRunning = false;
    QObject::connect(&terminations, &platform::TerminationSignals::received, [&] {
        // From here nothing keys again, whatever tick is still queued.
        keyer.endForGood();
        // exit() ends only loops that run now: start-up would go on after a dialog's loop,
        // and a loop started later would never see it. The lines are down already, and
        // every settings write is complete on disk, so such a stop ends the process at
        // once, once the transmission log has what it was handed (bounded: a stuck disk
        // must not keep a killed program alive).
        if (!mainLoopRunning || QApplication::activeModalWidget() != nullptr) {
            transmissions.flushFor(2000);
            std::fflush(nullptr);
            ::_exit(0);
        }
        QCoreApplication::exit(0);
    });

    QStringList arguments = QCoreApplication::arguments();
    arguments.removeFirst();
    if (!onlyOurOptions(arguments))
        return 2;

    app::MainWindowParts parts{state,
                               ts,
                               prompts,
                               clock,
                               shell,
                               urlHandler,
                               options,
                               folders.settings,
                               folders.sounds,
                               executable,
                               arguments,
                               [] { QCoreApplication::exit(0); },
                               [] { return QSystemTrayIcon::isSystemTrayAvailable(); }};
    app::MainWindowSeams seams;
    seams.WerteEinlesen = [&] {
        options.WerteEinlesen();
        loadPortMap();
        client.choose(settings::readClientKind(state.Dateiname));
        if (ident)
            ident->setSettings(readIdentSettings(state.Dateiname));
        const platform::KeyingInterface sender = readSenderSettings(state.Dateiname);
        squelch.setSettings(
            squelchOfInterface(readSquelchSettings(state.Dateiname), sender.way, prompts));
        serialLine.setInterface(withSquelchSide(sender, state.Dateiname));
        state.frmCOM.Schnittstelle = keyingInterfaceName(sender);
    };
    seams.event = [&transmissions](const QString& what) { transmissions.note(what); };
    seams.squelchLamp = [&squelch] { return squelch.lamp(); };
    seams.microphoneClicked = [&squelch] { squelch.manualMicrophone(); };
    seams.DriveKeyer = [&gateway] { gateway.DriveKeyer(); };
    seams.clientProblem = [&library, &client] {
        if (client.kind() == platform::ClientKind::Mumble)
            return QStringLiteral("Mumble l\u00E4uft nicht oder ist am D-Bus der Sitzung nicht "
                                  "zu erreichen.");
        return library.isLoaded() ? QStringLiteral("Der TeamSpeak-Client l\u00E4uft nicht.")
                                  : library.loadError();
    };
    seams.monitor.DriveKeyer = seams.DriveKeyer;
    seams.COM_schliessen = [&keyer](std::int16_t port) { keyer.COM_schliessen(port); };
    seams.armSwitchen = [&gateway] { gateway.armSwitchen(); };
    // The record of the most players seen, kept on every tick whether or not its window
    // is open; the two administration windows live from their first use until closed.
    UserStatistics statistics(state, clock);
    seams.monitor.recordUserMaximum = [&statistics] { statistics.recordUserMaximum(); };
    QPointer<frmKick> kickDialog;
    QPointer<frmStatic> statisticsWindow;
    seams.showKickDialog = [&] {
        showRaised(existing(kickDialog, [&] { return new frmKick(state, ts, prompts, showMain); }));
    };
    seams.showStatistics = [&] {
        showRaised(existing(statisticsWindow, [&] {
            return new frmStatic(state, statistics, prompts, showMain,
                                 new TransmitTab(logFile, state.Dateiname, clock, prompts));
        }));
    };
    // The speaker window: made hidden by the first tick's speaker display, made again
    // after each close; its size step lasts the whole run.
    std::int16_t zoomstufe = 0;
    QPointer<frmSprecher> speakerWindow;
    std::optional<QPoint> speakerPlace; // where the user last left it
    const auto speakerWindowNow = [&] {
        return existing(speakerWindow, [&] {
            return new frmSprecher(
                zoomstufe, [&mainPtr](QWidget* w, bool top) { mainPtr->SetTop(w, top); },
                [&] {
                    if (speakerWindow)
                        speakerPlace = speakerWindow->pos();
                    mainPtr->SetTop(mainPtr, true);
                    mainPtr->showAgain();
                });
        });
    };
    seams.monitor.speakerWindowText = [speakerWindowNow](const QString& name) {
        speakerWindowNow()->lblSprecher->setText(name);
    };
    seams.showSpeakerWindow = [&mainPtr, &speakerPlace, speakerWindowNow] {
        frmSprecher* w = speakerWindowNow();
        mainPtr->SetTop(w, true);
        // Where the user looks: its last place, else where the main window stood.
        w->move(platform::keepOnScreen(w, speakerPlace.value_or(mainPtr->pos())));
        w->show();
    };
    // The beacon, checked every tick.
    Beacon beacon(state, clock,
                  BeaconRoutes{[&page2] { page2.DateiInternAbspielen(); }, shellFile,
                               [&page2] { return page2.lblBakeDatei->text(); },
                               [&sound] { return sound.playing(); }});
    // The identification after traffic: the beacon's file, keying the line while it plays.
    ident.emplace(
        clock, [&beacon, &state] { beacon.sendNow([&state](bool on) { state.IdentKeying = on; }); },
        second);
    seams.monitor.Bake = [&beacon, &ident, &state, &squelch] {
        beacon.Bake();
        ident->tick(state.frmCOM.RTSLit || state.frmCOM.DTRLit);
        squelch.tick();
    };
    // The DTMF keypad with the recognizer behind it.
    DtmfWindows dtmf(
        DtmfWindows::Parts{state, sound, prompts, folders.sounds, keyer, ts, beacon, showMain,
                           [&options] { showRaised(&options); },
                           [&transmissions](const QString& what) { transmissions.note(what); }});
    seams.enableDtmfRecognition = [&dtmf] { dtmf.keypad()->enableRecognition(); };
    seams.showDtmfKeypad = [&dtmf] { showRaised(dtmf.keypad()); };
    seams.monitor.dtmfText = [&dtmf]() -> std::optional<QString> {
        return dtmf.keypad()->txtDTMFString->text();
    };
    optionsSeams.showDtmf = seams.showDtmfKeypad;
    // Login links and the autostart links, from the login data page 1 shows now.
    LoginLinks links(
        LoginLinks::Parts{registry, prompts, shell,
                          [&options] {
                              return LoginFields{options.cmbServerAdresse->currentText(),
                                                 options.txtPortNummer->text(),
                                                 options.txtNickname->text(),
                                                 options.txtLoginName->text(),
                                                 options.txtPassword->text(),
                                                 options.txtDefaultChannel->text(),
                                                 options.txtChannelPassword->text()};
                          },
                          [&state] { return state.Programmname; }, executable,
                          [&client] { return client.kind() == platform::ClientKind::Mumble; }});
    optionsSeams.makeLink = [&links](int which) {
        if (which == 0)
            links.MakeDesktopLink();
        else
            links.MakeFolderLink();
    };
    optionsSeams.CreateFileShortcut = [&links] { links.CreateFileShortcut(); };
    optionsSeams.DeleteFileShortCut = [&links] { links.DeleteFileShortCut(); };
    options.setSeams(optionsSeams);
    // Auto-away on the input the desktop reports: the idle time as the session tells it
    // (GNOME's compositor, Wayland or X11, also when it comes up after us; else a desktop
    // that answers the screen saver's question), else X11's raw input, else the program's
    // own windows.
    std::unique_ptr<platform::InputActivity> input =
        std::make_unique<platform::SessionIdle>([]() -> std::unique_ptr<platform::InputActivity> {
            if (auto wayland = platform::WaylandIdle::create()) {
                std::fprintf(stderr,
                             "quorvex: auto-away follows the idle time of the Wayland compositor "
                             "(%s); every key counts there\n",
                             wayland->protocol());
                return wayland;
            }
            if (auto desktop = platform::ScreenSaverIdle::create()) {
                std::fputs("quorvex: auto-away follows the idle time the desktop tells "
                           "(org.freedesktop.ScreenSaver); every key counts there\n",
                           stderr);
                return desktop;
            }
            if (auto x11 = platform::X11Input::create())
                return x11;
            return std::make_unique<platform::OwnWindowsInput>();
        });
    app::AutoAway autoAway(state, ts, *input);
    seams.monitor.CheckMouseActivity = [&autoAway] { autoAway.CheckMouseActivity(); };
    seams.monitor.CheckKeyboardActivity = [&autoAway] { autoAway.CheckKeyboardActivity(); };
    seams.monitor.EnterAutoAway = [&autoAway] { autoAway.EnterAutoAway(); };
    seams.monitor.FindAwayChannel = [&autoAway] { autoAway.FindAwayChannel(); };
    seams.monitor.awayChannelRule = [&autoAway](const QString& caption) {
        autoAway.awayChannelRule(caption);
    };
    app::frmMain mainWindow(std::move(parts), std::move(seams));
    mainPtr = &mainWindow;
    mainWindow.Form_Load();
    if (const int why = platform::settingsNotWritable(folders.settings, state.Dateiname))
        prompts.warn(QStringLiteral("In \"%1\" kann nicht geschrieben werden (%2): Einstellungen "
                                    "und Statistik werden nicht gespeichert.")
                         .arg(state.Dateiname, platform::germanReason(why)));
    mainWindow.show();
    mainWindow.startTimers();
    QTimer::singleShot(0, [&mainLoopRunning, &prompts] {
        mainLoopRunning = true;
        prompts.releaseHeldWarnings();
    });
    const int rc = QApplication::exec();
    delete kickDialog.data();
    delete statisticsWindow.data();
    delete speakerWindow.data();
    delete squelchWindow.data();
    delete senderWindow.data();
    return rc;
}
