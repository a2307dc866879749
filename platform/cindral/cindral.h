#pragma once
// The messaging component: the hub (progress display, window request) and the
// messenger (status texts). The main program creates one of each at start-up; a
// backup creates a hub of its own.
//
//   auto hub = new cindral::Hub;  auto mes = new cindral::Messenger;
//   hub->AttachMessenger(mes);
//   qint32 h = -1; hub->QueryValue(2, h);
//   QObject::connect(mes, &cindral::Messenger::NewMessage, label, &QLabel::setText);
//   mes->PostStatus(QStringLiteral("下载部门信息.."));   ...   mes->PostStatus(QString());
//   hub->ShowProgress(-1); hub->SetProgress(40); hub->ShowProgress(0);
#include <QObject>
#include <QPointer>
#include <QString>

class QWidget;

namespace cindral {

class Messenger : public QObject {
    Q_OBJECT
public:
    explicit Messenger(QObject* parent = nullptr);
    ~Messenger() override;

    // A non-empty text becomes the status text, the empty text clears it; either way
    // it reaches every receiver of NewMessage at once. The two numbers are accepted
    // as callers pass them (-1 and 0, or 0 and 0) and change nothing.
    void PostStatus(const QString& text, qint32 style = -1, qint16 flags = 0);
    // The status text last posted.
    QString status() const { return m_status; }

Q_SIGNALS:
    void NewMessage(const QString& text);

private:
    QString m_status;
};

class Hub : public QObject {
    Q_OBJECT
public:
    // Requests of QueryValue.
    enum Request : qint32 { ReqWindow = 2 };

    explicit Hub(QObject* parent = nullptr);
    ~Hub() override; // ends this hub's progress

    // Hands the messenger to the hub; the hub does not own it.
    void AttachMessenger(Messenger* messenger);
    Messenger* messenger() const { return m_messenger; }

    // Request 2 answers the handle of the hub's own (never shown) window. Other
    // requests leave the value as it was.
    void QueryValue(qint32 request, qint32& value);

    // Any non-zero flag (-1 by convention) shows the progress display at 0 %,
    // 0 hides it; the progress text stays.
    void ShowProgress(qint32 on);
    // Moves the progress to a percentage; values outside 0..100 are held to the range.
    void SetProgress(qint32 percent);
    // The text shown with the progress.
    void ProgressText(const QString& text);
    QString ProgressText() const { return m_text; }
    // Hides the progress and clears its text.
    void EndProgress();

    bool progressShown() const { return m_shown; }
    int progress() const { return m_value; }

Q_SIGNALS:
    void progressChanged();

private:
    void changed();
    QPointer<Messenger> m_messenger;
    QPointer<QWidget> m_window;
    bool m_shown = false;
    int m_value = 0;
    QString m_text;
};

// The one progress display of the process. Every hub drives it; when several hubs
// show progress at once, the one that last started is shown. The main window (or
// any window) shows it through a ProgressWidget.
class ProgressDisplay : public QObject {
    Q_OBJECT
public:
    static ProgressDisplay& instance();

    bool isActive() const;   // a bar or a text is to be shown
    bool barShown() const;
    int value() const;
    QString text() const;

Q_SIGNALS:
    void changed();

private:
    friend class Hub;
    ProgressDisplay() = default;
    void update(Hub* hub);
    void remove(Hub* hub);
    Hub* current() const;
    QList<QPointer<Hub>> m_active;
};

} // namespace cindral
