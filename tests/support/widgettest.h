#ifndef WIDGETTEST_H
#define WIDGETTEST_H

#include <QApplication>
#include <QDir>
#include <QImage>
#include <QMessageBox>
#include <QTimer>
#include <QStringList>
#include <QWidget>
#include <cstdio>

#include "paintrecorder.h"

// Pictures kept for people to look at: in test-artifacts beside the test programs, or where
// STATIONPANEL_ARTIFACT_DIR says (a test's runtime tree is deleted afterwards). Returns the path,
// empty when the picture could not be written.
inline QString saveArtifact(const QImage& image, const QString& file)
{
    QString dir = qEnvironmentVariable("STATIONPANEL_ARTIFACT_DIR");
    if (dir.isEmpty())
        dir = QCoreApplication::applicationDirPath() + "/../test-artifacts";
    QDir().mkpath(dir);
    const QString path = QDir(dir).absoluteFilePath(file);
    if (!image.save(path))
        return QString();
    std::printf("artifact: %s\n", qPrintable(path));
    return path;
}

inline QString saveArtifact(QWidget* widget, const QString& file)
{
    return saveArtifact(widget->grab().toImage(), file);
}

// The texts a widget and its children paint, in painting order.
inline QStringList drawnTexts(QWidget* widget)
{
    PaintRecorder rec(widget->width(), widget->height());
    rec.record(widget);
    QStringList out;
    for (const PaintRecorder::Text& t : rec.texts)
        out << t.text;
    if (qEnvironmentVariableIsSet("DUMP_DRAWN"))
        std::printf("drawn: %s\n", qPrintable(out.join(" | ")));
    return out;
}

// Those of the wanted texts that a picture does not show: a picture test names a few key fields.
inline QStringList notDrawn(QWidget* widget, const QStringList& wanted)
{
    const QStringList drawn = drawnTexts(widget);
    QStringList missing;
    for (const QString& w : wanted)
        if (!drawn.contains(w))
            missing << w;
    return missing;
}

// What the modal message boxes said; each box is closed as soon as it shows.
struct SeenBoxes {
    int count = 0;
    QString title;
    QString text;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
};

class BoxCloser {
public:
    explicit BoxCloser(SeenBoxes* seen)
    {
        QObject::connect(&timer_, &QTimer::timeout, [seen]() {
            QMessageBox* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            if (!box)
                return;
            seen->count += 1;
            seen->title = box->windowTitle();
            seen->text = box->text();
            seen->icon = box->icon();
            box->accept();
        });
        timer_.start(5);
    }

private:
    QTimer timer_;
};

#endif
