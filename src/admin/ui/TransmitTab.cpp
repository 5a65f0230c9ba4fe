#include "TransmitTab.h"

#include "Clock.h"
#include "Prompts.h"
#include "TransmitChart.h"
#include "TransmitFigures.h"

#include <QCoreApplication>
#include <QDateEdit>
#include <QDir>
#include <QFileInfo>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPointer>
#include <QPushButton>
#include <QStandardPaths>
#include <QTableWidget>
#include <QThreadPool>
#include <QTimer>
#include <QVBoxLayout>

using platform::Prompts;

namespace {

QString duration(std::int64_t ms) {
    const std::int64_t s = (ms + 500) / 1000;
    return QStringLiteral("%1:%2:%3")
        .arg(s / 3600)
        .arg(s / 60 % 60, 2, 10, QLatin1Char('0'))
        .arg(s % 60, 2, 10, QLatin1Char('0'));
}

QString span(const TransmitFigures::Span& s) {
    return QStringLiteral("%1 Sendungen, %2").arg(s.keyings).arg(duration(s.ms));
}

} // namespace

TransmitTab::TransmitTab(QString logFile, QString iniFile, const platform::Clock& clock,
                         Prompts& prompts, QWidget* parent)
    : QWidget(parent), m_logFile(std::move(logFile)), m_iniFile(std::move(iniFile)), m_clock(clock),
      m_prompts(prompts) {
    const auto label = [this](const QString& text = {}) { return new QLabel(text, this); };
    lblHeute = label();
    lblWoche = label();
    lblSeitReset = label();
    lblSeit = label();
    lblLaengste = label();
    lblWatchdog = label();
    lblAnteil = label();
    lblFehler = label();
    lblFehler->setWordWrap(true);
    lblFehler->setStyleSheet(QStringLiteral("color: #c00000"));
    lblFehler->hide();
    chart = new TransmitChart(this);
    cmdSendeReset = new QPushButton(QStringLiteral("Zur\u00FCcksetzen"), this);
    const QDate today = m_clock.localNow().date();
    datVon = new QDateEdit(today.addDays(-30), this);
    datBis = new QDateEdit(today, this);
    for (QDateEdit* d : {datVon, datBis}) {
        d->setDisplayFormat(QStringLiteral("dd.MM.yyyy"));
        d->setCalendarPopup(true);
    }
    cmdExport = new QPushButton(QStringLiteral("&Exportieren\u2026"), this);
    txtFilter = new QLineEdit(this);
    txtFilter->setPlaceholderText(QStringLiteral("Sprecher filtern"));
    txtFilter->setClearButtonEnabled(true);
    tblSendungen = new QTableWidget(0, 4, this);
    tblSendungen->setHorizontalHeaderLabels({QStringLiteral("Beginn"), QStringLiteral("Dauer"),
                                             QStringLiteral("Sprecher"),
                                             QStringLiteral("Ende durch")});
    tblSendungen->setEditTriggers(QAbstractItemView::NoEditTriggers);
    tblSendungen->setSelectionBehavior(QAbstractItemView::SelectRows);
    tblSendungen->verticalHeader()->hide();
    tblSendungen->horizontalHeader()->setStretchLastSection(true);
    tblSendungen->setMinimumHeight(120);
    lstEreignisse = new QListWidget(this); // the window makes it a page of its own
    lstEreignisse->hide();

    auto* grid = new QGridLayout;
    QLabel* const rows[][2] = {{label(QStringLiteral("Heute:")), lblHeute},
                               {label(QStringLiteral("Letzte 7 Tage:")), lblWoche},
                               {label(QStringLiteral("Seit Reset:")), lblSeitReset},
                               {label(QStringLiteral("L\u00E4ngste Sendung:")), lblLaengste},
                               {label(QStringLiteral("Watchdog-Abschaltungen:")), lblWatchdog},
                               {label(QStringLiteral("Sendeanteil letzte Stunde:")), lblAnteil}};
    for (int r = 0; r < 6; ++r) {
        grid->addWidget(rows[r][0], r, 0);
        grid->addWidget(rows[r][1], r, 1);
    }
    // Room for the longest figures from the start: the window keeps its size when they come.
    const QString widest = QStringLiteral("99999 Sendungen, 9999:59:59");
    for (QLabel* figure : {lblHeute, lblWoche, lblSeitReset, lblLaengste})
        figure->setMinimumWidth(figure->fontMetrics().horizontalAdvance(widest));
    lblSeit->setMinimumWidth(
        lblSeit->fontMetrics().horizontalAdvance(QStringLiteral("seit Beginn des Protokolls")));
    grid->addWidget(lblSeit, 2, 2);
    grid->addWidget(cmdSendeReset, 2, 3);
    auto* exportRow = new QHBoxLayout;
    exportRow->addWidget(label(QStringLiteral("Von")));
    exportRow->addWidget(datVon);
    exportRow->addWidget(label(QStringLiteral("bis")));
    exportRow->addWidget(datBis);
    exportRow->addWidget(cmdExport);
    exportRow->addStretch();
    auto* top = new QVBoxLayout(this);
    top->addLayout(grid);
    top->addWidget(label(QStringLiteral("Sendeminuten pro Stunde, letzte 24 Stunden")));
    top->addWidget(chart, 1);
    top->addWidget(lblFehler);
    top->addWidget(label(QStringLiteral("Letzte Sendungen")));
    top->addWidget(txtFilter);
    top->addWidget(tblSendungen, 1);
    top->addLayout(exportRow);

    connect(cmdSendeReset, &QPushButton::clicked, this, &TransmitTab::cmdSendeReset_Click);
    connect(cmdExport, &QPushButton::clicked, this, &TransmitTab::cmdExport_Click);
    connect(txtFilter, &QLineEdit::textChanged, this, &TransmitTab::applyFilter);
    Timer10s = new QTimer(this);
    Timer10s->setInterval(10000);
    connect(Timer10s, &QTimer::timeout, this, &TransmitTab::refresh);
}

// The log is read on a pool thread: this thread also keys the transmitter, and a year of
// records takes some 80 ms to sum.
void TransmitTab::refresh() {
    if (m_reading) {
        m_readAgain = true;
        return;
    }
    m_reading = true;
    const QDateTime reset = readTransmitReset(m_iniFile);
    lblSeit->setText(reset.isValid() ? QStringLiteral("seit %1").arg(reset.toLocalTime().toString(
                                           QStringLiteral("dd.MM.yyyy HH:mm")))
                                     : QStringLiteral("seit Beginn des Protokolls"));
    QThreadPool::globalInstance()->start(
        [self = QPointer<TransmitTab>(this), file = m_logFile, now = m_clock.localNow(), reset] {
            QString error;
            const auto figures = readTransmitFigures(file, now, reset, &error);
            // A read that ends after the program's last event loop has nowhere to go.
            if (QCoreApplication* app = QCoreApplication::instance())
                QMetaObject::invokeMethod(
                    app,
                    [self, figures, error] {
                        if (self)
                            self->showFigures(figures, error);
                    },
                    Qt::QueuedConnection);
        });
}

void TransmitTab::showFigures(const std::optional<TransmitFigures>& f, const QString& error) {
    m_reading = false;
    lblFehler->setVisible(!f);
    if (!f) {
        lblFehler->setText(
            QStringLiteral("Das Sendeprotokoll kann nicht gelesen werden. (%1)").arg(error));
    } else {
        lblHeute->setText(span(f->today));
        lblWoche->setText(span(f->lastWeek));
        lblSeitReset->setText(span(f->sinceReset));
        lblLaengste->setText(duration(f->longestMs));
        lblWatchdog->setText(QString::number(f->watchdogCuts));
        lblAnteil->setText(QStringLiteral("%1 %").arg(qRound(f->dutyLastHour * 100)));
        showKeyings(f->latest);
        lstEreignisse->clear();
        for (const auto& [when, what] : f->events)
            lstEreignisse->addItem(QStringLiteral("%1  %2").arg(
                when.toString(QStringLiteral("dd.MM.yyyy HH:mm:ss")), what));
        chart->setHours(f->minutesPerHour, f->firstHour);
    }
    if (m_readAgain) {
        m_readAgain = false;
        refresh();
    }
}

void TransmitTab::cmdSendeReset_Click() {
    if (m_prompts.message(QStringLiteral("Sendez\u00E4hler wirklich auf 0 setzen ?"),
                          Prompts::Icon::Information, Prompts::Buttons::YesNo,
                          Prompts::Answer::Yes) != Prompts::Answer::Yes)
        return;
    if (!writeTransmitReset(m_iniFile, m_clock.localNow()))
        m_prompts.warn(
            QStringLiteral("Der Reset kann nicht in \"%1\" gespeichert werden.").arg(m_iniFile));
    refresh();
}

void TransmitTab::cmdExport_Click() {
    const QDate from = datVon->date();
    const QDate to = datBis->date();
    if (from > to) {
        m_prompts.warn(QStringLiteral("Das Datum \"Von\" liegt nach dem Datum \"bis\"."));
        return;
    }
    // In the user's documents, not beside the log: a dialog that looks into the log's
    // files would end the locks SQLite holds on them.
    QString folder = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    if (folder.isEmpty() || !QFileInfo(folder).isDir())
        folder = QDir::homePath();
    const QString proposed =
        QDir(folder).filePath(QStringLiteral("sendungen_%1_%2.csv")
                                  .arg(from.toString(Qt::ISODate), to.toString(Qt::ISODate)));
    const QString comma = QStringLiteral("CSV, Komma (*.csv)");
    const QString excel = QStringLiteral("CSV f\u00FCr Excel (Semikolon) (*.csv)");
    QString style;
    const QString file =
        m_prompts.saveFileName(QStringLiteral("Sendeprotokoll exportieren"), proposed,
                               comma + QStringLiteral(";;") + excel, &style);
    if (file.isEmpty())
        return;
    QString error;
    if (const auto n = exportTransmissions(m_logFile, file, from, to, &error,
                                           style == excel ? CsvStyle::Excel : CsvStyle::Comma))
        m_prompts.inform(QStringLiteral("%1 Sendungen nach \"%2\" exportiert.").arg(*n).arg(file));
    else
        m_prompts.warn(QStringLiteral("Export nicht m\u00F6glich. (%1)").arg(error));
}

void TransmitTab::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    refresh();
    Timer10s->start();
}

void TransmitTab::hideEvent(QHideEvent* event) {
    QWidget::hideEvent(event);
    Timer10s->stop();
}

void TransmitTab::showKeyings(const std::vector<TransmitFigures::Keying>& keyings) {
    tblSendungen->setRowCount(static_cast<int>(keyings.size()));
    for (int r = 0; r < tblSendungen->rowCount(); ++r) {
        const TransmitFigures::Keying& k = keyings[static_cast<std::size_t>(r)];
        const QString cells[] = {k.begin.toString(QStringLiteral("dd.MM.yyyy HH:mm:ss")),
                                 k.ms < 0 ? QStringLiteral("sendet") : duration(k.ms), k.speaker,
                                 k.cause};
        for (int c = 0; c < 4; ++c)
            tblSendungen->setItem(r, c, new QTableWidgetItem(cells[c]));
    }
    applyFilter();
}

void TransmitTab::applyFilter() {
    const QString wanted = txtFilter->text().trimmed();
    for (int r = 0; r < tblSendungen->rowCount(); ++r)
        tblSendungen->setRowHidden(
            r, !wanted.isEmpty() &&
                   !tblSendungen->item(r, 2)->text().contains(wanted, Qt::CaseInsensitive));
}
