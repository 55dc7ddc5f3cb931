// Resource numbers shared by vexil.rc and the window code.
#pragma once

// The program's own icon; the window class loads it as number 1.
#define IDI_VEXIL 1

// The notification-area icons: offline, online, mail waiting.
#define IDI_VXDIS 101
#define IDI_VXCON 102
#define IDI_VXMAIL 103

// The pictures of the context menu's items (16 x 16, magenta transparent).
#define IDB_MENU_SKINS 201
#define IDB_MENU_OTHERSKIN 202
#define IDB_MENU_NEWS 203
#define IDB_MENU_REFRESH 204
#define IDB_MENU_HELP 205
