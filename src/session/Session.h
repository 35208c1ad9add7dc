#pragma once
// A design session: open a design once, check what a person chose once, run any job on it.
//
//   DesignSession session = DesignSession::open("rose.pes", Placement::Automatic);
//   // (the window: DesignSession::openIntoStore(path, placement, store), re-read on every walk)
//   ProgramChoices choices;                   // as typed: feed text, needle step, profile, ...
//   choices.feedText = "1200";
//   GcodeOptions options = programOptions(session, choices);  // throws SessionOptionError
//   saveProgram(session, options, "rose.GC");                 // atomically; FileWriteError
//   writeTrace(session, traceOptions(session, choices), std::cout);
//   SendPlan plan = sendPlan(session, options);               // what a run streams
//   session.texts(), session.figures(), session.reach(), session.needleMoves(): what to show.

#include "session/DesignSession.h"
#include "session/SessionJobs.h"
#include "session/SessionOptions.h"
