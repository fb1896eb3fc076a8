#pragma once
// The background installation: stage the payload, then extract it.
void InstallWorker();
// Entry routine of the worker's thread.
void InstallThreadEntry();
