#pragma once

// The main window's tabs, in the order the tab bar shows them.
enum TMainTab : int {
    CommonTab,   // 常用功能
    TaskListTab, // 任务列表
    TaskInfoTab, // 任务信息
    SettingsTab, // 系统设置
    EncryptTab,  // 文件加密
    MainTabCount
};
