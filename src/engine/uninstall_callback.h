// What the engine tells the wizard during a run.
#pragma once

class IUninstallCallback {
public:
    // First action of the run (UI thread, synchronous).
    virtual void OnUninstallStart() = 0;
    // At every progress report; percent is 1 to 99 (UI thread, synchronous).
    virtual void OnUninstallProgress(int percent) = 0;
    // After the last step (UI thread, synchronous).
    virtual void OnUninstallEnd() = 0;
    // Very last action of the run, after the uninstall report; runs on the
    // engine's worker thread under the engine lock.
    virtual void OnRealInstallEnd() = 0;

protected:
    ~IUninstallCallback() = default;
};
