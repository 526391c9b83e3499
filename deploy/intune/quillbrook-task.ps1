# Install command of an Intune Win32 app for devices that reach the share (joined to the domain,
# or hybrid): registers the scheduled task "Quillbrook", which runs the start-up script from the
# share as SYSTEM every four weeks, and a missed run as soon as the device is on again; then runs
# the script once now. Its exit code is the script's, so the app's return codes (0, 1 and 2 as
# success) and its detection rule (LastExitCode at most 2) stay those of the script alone.
#
#   powershell.exe -NoProfile -ExecutionPolicy Bypass -File quillbrook-task.ps1
#
# The package holds this file and quillbrook-startup.cmd with its SHARE line set; the share holds
# quillbrook.exe, quillbrook-inventory.exe and the same quillbrook-startup.cmd. Uninstall command:
#   powershell.exe -NoProfile -Command "Unregister-ScheduledTask -TaskName Quillbrook -Confirm:$false"
$ErrorActionPreference = 'Stop'

# The share is the script's own SHARE line, so the two cannot disagree.
$line = Select-String -LiteralPath (Join-Path $PSScriptRoot 'quillbrook-startup.cmd') -Pattern '^set "SHARE=(.+)"$'
$share = $line.Matches[0].Groups[1].Value
# The share's copy, which only its administrators can change; SYSTEM runs it.
$script = Join-Path $share 'quillbrook-startup.cmd'

$action = New-ScheduledTaskAction -Execute "$env:SystemRoot\System32\cmd.exe" -Argument "/d /c `"`"$script`"`""
$trigger = New-ScheduledTaskTrigger -Weekly -WeeksInterval 4 -DaysOfWeek Tuesday -At '10:00'
$settings = New-ScheduledTaskSettingsSet -StartWhenAvailable -RunOnlyIfNetworkAvailable -AllowStartIfOnBatteries `
    -DontStopIfGoingOnBatteries -ExecutionTimeLimit (New-TimeSpan -Hours 1)
# S-1-5-18 is SYSTEM in every language.
$principal = New-ScheduledTaskPrincipal -UserId 'S-1-5-18' -LogonType ServiceAccount -RunLevel Highest
Register-ScheduledTask -TaskName 'Quillbrook' -Action $action -Trigger $trigger -Settings $settings `
    -Principal $principal -Force | Out-Null

Set-Location -LiteralPath $PSScriptRoot
& "$env:SystemRoot\System32\cmd.exe" /d /c quillbrook-startup.cmd
exit $LASTEXITCODE
