#include "engine/plugin_task.h"

void CPluginTask::StartTask(const std::wstring& installDir) { m_folder = installDir; }
