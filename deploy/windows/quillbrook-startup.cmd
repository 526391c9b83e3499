@echo off
setlocal
rem Start-up script (Group Policy or Intune): runs quillbrook.exe from the share and files its
rem report on the share as reports\%COMPUTERNAME%.txt.
rem
rem Exit code: quillbrook's own (0 officially compatible, 1 only technically, 2 not compatible),
rem so the engine's log shows the verdict; 3 when quillbrook.exe could not be copied from the
rem share, 4 when the report could not be put on the share (then no verdict reaches the summary).
rem
rem The share needs read access for quillbrook.exe and write access to reports\ for the
rem computer accounts (start-up scripts run as the machine, "Domain Computers").
set "SHARE=\\server\share"

set "WORK=%TEMP%\quillbrook"
if not exist "%WORK%" mkdir "%WORK%"
rem A report left by an earlier run must not pass for this run's.
if exist "%WORK%\quillbrook-report.txt" del /f /q "%WORK%\quillbrook-report.txt"

copy /y "%SHARE%\quillbrook.exe" "%WORK%\quillbrook.exe" >nul
if errorlevel 1 exit /b 3

rem Empty standard input: the program does not wait for a key.
"%WORK%\quillbrook.exe" < NUL > NUL
set "VERDICT=%ERRORLEVEL%"

copy /y "%WORK%\quillbrook-report.txt" "%SHARE%\reports\%COMPUTERNAME%.txt" >nul
if errorlevel 1 exit /b 4
exit /b %VERDICT%
