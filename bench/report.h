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
    QVector<QString> pageClasses; // by page id
    Benchmarks::MemoryRun memory;
    QString startUpFile; // quorvel-startup's lines; none when empty
};

void print(const Inputs &inputs);

} // namespace Report

#endif
