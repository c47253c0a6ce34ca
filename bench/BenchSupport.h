#pragma once

#include <QElapsedTimer>

#include <algorithm>
#include <functional>
#include <vector>

// Runs body repeatedly and returns the median duration in microseconds.
inline double medianMicros(int repetitions, const std::function<void()>& body)
{
    std::vector<double> samples;
    samples.reserve(size_t(repetitions));
    for (int i = 0; i < repetitions; ++i) {
        QElapsedTimer timer;
        timer.start();
        body();
        samples.push_back(double(timer.nsecsElapsed()) / 1000.0);
    }
    std::sort(samples.begin(), samples.end());
    return samples[samples.size() / 2];
}
