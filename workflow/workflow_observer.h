#pragma once

#include "snapshot/capture.h"

#include <cstddef>

namespace dbc {

// Receives the progress of a workflow step. Every notice has an empty
// default, so a front end overrides only what it shows.
class WorkflowObserver : public CaptureObserver {
public:
    // A connection to SQL Server is about to be opened (it may take a while).
    virtual void connecting() {}
    // Statement `number` (from 1) of `count` is about to be executed.
    virtual void executingStatement(std::size_t number, std::size_t count) {
        (void)number;
        (void)count;
    }

    void stepStarted(CaptureStep, int, int) override {}
    void advanced() override {}
};

} // namespace dbc
