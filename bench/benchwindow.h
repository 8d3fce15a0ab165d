#ifndef BENCH_BENCHWINDOW_H
#define BENCH_BENCHWINDOW_H

// The benchmarks' pipeline: an 800 by 600 window at 16 bits, the device chosen by the command
// line's graphics options.
void StartBenchWindow();

// The device in use, its vertex buffers and the target's depth, as one line.
void PrintBenchDevice();

#endif
