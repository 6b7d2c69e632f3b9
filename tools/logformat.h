#pragma once

// Diagnostic log lines carry time, kind, source file, line and function.
void installLogFormat();
