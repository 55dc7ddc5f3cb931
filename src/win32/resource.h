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

// The settings dialog's page buttons (32 x 32 BMP files, magenta
// transparent): the picture, then the one shown under the pointer.
#define IDR_PAGE_OPTIONS 301
#define IDR_PAGE_OPTIONS_ON 302
#define IDR_PAGE_ACCOUNTS 303
#define IDR_PAGE_ACCOUNTS_ON 304
#define IDR_PAGE_FILTERS 305
#define IDR_PAGE_FILTERS_ON 306
#define IDR_PAGE_SKINS 307
#define IDR_PAGE_SKINS_ON 308
#define IDR_PAGE_ABOUT 309
#define IDR_PAGE_ABOUT_ON 310
