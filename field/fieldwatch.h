#ifndef FIELDWATCH_H
#define FIELDWATCH_H

#include "guidemetrics.h"
#include "picturestate.h"
#include "visitrecorder.h"

#include <QDateTime>
#include <QObject>
#include <QPointer>
#include <QStringList>
#include <QThread>
#include <QTimer>

#include <atomic>

class Basewidget;
class QFileSystemWatcher;
class QWidget;
class ScreenServer;
class VisitStore;

// What watches the guide in the field, beside its window: the visit
// statistics, the Prometheus metrics and the picture of the screen on
// request. It only listens to the window's signals; all that touches a disk
// happens on a thread of its own, so a press never waits for it.
class FieldWatch : public QObject
{
    Q_OBJECT

public:
    static constexpr int WriteSeconds = 30; // a power cut loses at most this much
    static constexpr int MetricsSeconds = 5;

    // Set up as the environment (/etc/default/quorvel-guide) says.
    explicit FieldWatch(Basewidget *window);
    // What is still in memory is written before it returns.
    ~FieldWatch() override;

    VisitRecorder *recorder() { return &visits; }
    ScreenServer *screenServer() const { return screen; }

    // The command line's picture of the screen: `quorvel-guide --screenshot
    // FILE`. -1 when the arguments ask for no such thing.
    static int screenshotCommand(int argc, char *argv[]);

public slots:
    // Writes the visits counted so far, and the metrics, now (on the thread).
    void sltWrite();
    void sltMetrics();

signals:
    void sigPictureState(int missing, int damaged, const QString &package, const QString &version);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private slots:
    void sltPageShown(int idx);
    void sltNextPicturePage();
    void sltJudgePictures();
    void sltPictureStateJudged(int missing, int damaged, const QString &package, const QString &version);

private:
    Basewidget *window = nullptr;
    VisitRecorder visits;
    QThread thread;
    QObject *worker = nullptr; // lives on the thread
    VisitStore *store = nullptr; // lives on the thread; null when off
    ScreenServer *screen = nullptr;
    QString metricsFolder;
    GuideMetrics metrics;
    QPointer<QWidget> paintedPage;
    QTimer writeTimer;
    QTimer metricsTimer;
    QTimer judgeTimer;
    // The pictures every page reads, gathered a page at a time after start.
    QStringList picturePaths;
    int nextPicturePage = 0;
    QFileSystemWatcher *pictureWatcher = nullptr;
    bool metricsFailed = false;
    // Set as the guide closes: a judging of the pictures under way stops.
    std::atomic<bool> stopping{false};
};

#endif
