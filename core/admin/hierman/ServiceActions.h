// In Service and Out of Service: plan with the administrator on the GUI
// thread (ServicePlanner), then run the Remove, Restore and Transfer scripts
// resource by resource on a worker, dropping dependent resources from the
// plan when one fails.
#pragma once

#include "ServicePlanner.h"

#include <optional>
#include <string>
#include <vector>

namespace hierman {

// What the transfer worker is given: copies only.
struct TransferJob {
    struct Pair {
        std::vector<std::string> removal, restore;
    };
    std::string system;  // where the hierarchies come into service
    std::string other;   // the holder found last
    std::string pid;
    // The system list of the view's system, and per system the resources
    // to take from it and to bring here.
    std::vector<std::string> names;
    std::vector<std::optional<Pair>> pairs;
    int removeTotal = 0;
    int restoreTotal = 0;
};

class ServiceActions {
public:
    explicit ServiceActions(ActionContext& c) : c_(c), planner_(c) {}

    void InService();
    void OutOfService();

    // The workers, on their own copies.
    static int TransferWorker(ActionContext& c, const TransferJob& job);
    static int OutOfServiceWorker(ActionContext& c, const std::string& system, const std::string& other,
                                  std::vector<std::string> removal, const std::string& pid);

private:
    // A failed read while one hierarchy was planned: says so and puts the
    // plan back as it was before it.
    bool DropIfFailed(const std::string& tag, const ServicePlanner::State& before);
    // Whether the system list (read now) still holds the system.
    bool StillDefined(const std::string& system);

    ActionContext& c_;
    ServicePlanner planner_;
};

}  // namespace hierman
