#ifndef REPORT_H
#define REPORT_H

#include "benchmarks.h"

#include <QString>
#include <QVector>

class MedianReporter;

// The benchmark's table on stdout: each result beside its floor and target.
namespace Report {

struct Inputs
{
    const MedianReporter *results = nullptr;
    const Benchmarks::Guide *guide = nullptr; // where each press starts
    QVector<QString> pageClasses; // by page id
    Benchmarks::MemoryRun memory;
    QString startUpFile; // quorvel-startup's lines; none when empty
    QString scaleTwoFile; // what writeScaleTwo() wrote; none when empty
    double devicePixelRatio = 1;
};

void print(const Inputs &inputs);

// The results of the run at scale 2, for the main run's report; false when
// the file cannot be written.
bool writeScaleTwo(const MedianReporter &results, double devicePixelRatio, const QString &path);

} // namespace Report

#endif
