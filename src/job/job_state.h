// Everything one run carries from the command line to the two documents. One
// instance per run, handed to every step; nothing of it lives in globals.
#pragma once

#include <memory>
#include <string>

#include "wordproc/word_processor.h"

namespace reportword {

struct JobState {
  // The templates, the report and the documents saved so far, by identity:
  // no save of the run replaces one of them. Before the outside objects, which
  // refer to it.
  wordproc::RunFiles OwnFiles;
  // Outside objects, created on first use (see UseFileSystem / UseWordApp).
  std::unique_ptr<wordproc::FileSystem> FileSystem;
  std::unique_ptr<wordproc::Application> WordApp;

  std::string BuildNumber;
  std::string ObjectDesignation;
  std::string TemplatePath1;
  std::string TemplatePath2;
  std::string ReportFilePath;
  std::string TargetPath1;
  std::string TargetPath2;
  std::string NetworkName;
  // Rows ended by CR LF, fields separated by tabs; empty until rows arrive.
  std::string TableText1;
  std::string TableText2;
  bool RoadRenovationMode = false;
};

// The outside objects of the job state, created through `backend` when the
// reference holds none yet.
inline wordproc::FileSystem& UseFileSystem(JobState& job, wordproc::Backend& backend) {
  if (!job.FileSystem) job.FileSystem = backend.CreateFileSystem();
  return *job.FileSystem;
}
inline wordproc::Application& UseWordApp(JobState& job, wordproc::Backend& backend) {
  if (!job.WordApp) job.WordApp = backend.CreateApplication(job.OwnFiles);
  return *job.WordApp;
}

}  // namespace reportword
