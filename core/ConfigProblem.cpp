#include "core/ConfigProblem.h"

#include "engine/WideText.h"

std::string Corvane::DescribeForLog(const ConfigProblem& problem) {
    // Names and words come from the operator's file: written so that they can't forge a line.
    return Engine::EscapeForLog("config.json: " + (problem.position.empty() ? "" : problem.position + ": ") +
                                problem.description);
}
