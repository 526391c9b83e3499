# Makes report files again of an export of the remediation's output (quillbrook-remediation.ps1):
# for each device NAME.txt and NAME.inventory.json in the folder given, named after the device
# name Intune gives the row, not after anything the device wrote. Then:
#   quillbrook-fleet.exe --html geraete.html BERICHTE
#
#   powershell.exe -NoProfile -ExecutionPolicy Bypass -File quillbrook-unpack.ps1 -Export export.csv -Reports BERICHTE
#
# The export: Intune admin center, Devices, Scripts and remediations, the remediation, Device
# status, Export. The column with the device's name is "Device name" unless given otherwise.
param(
    [Parameter(Mandatory = $true)] [string]$Export,
    [Parameter(Mandatory = $true)] [string]$Reports,
    [string]$NameColumn = 'Device name'
)
$ErrorActionPreference = 'Stop'

function Unpacked([string]$text) {
    $packed = New-Object IO.MemoryStream(, [Convert]::FromBase64String($text))
    $gzip = New-Object IO.Compression.GZipStream($packed, [IO.Compression.CompressionMode]::Decompress)
    $bytes = New-Object IO.MemoryStream
    $gzip.CopyTo($bytes)
    $bytes.ToArray()
}

New-Item -ItemType Directory -Force -Path $Reports | Out-Null
foreach ($row in Import-Csv -LiteralPath $Export) {
    $name = "$($row.$NameColumn)".Trim()
    # The output's column is found by its content: its title differs with the portal's language.
    $output = $row.PSObject.Properties | ForEach-Object { "$($_.Value)" } | Where-Object { $_ -like 'quillbrook1 *' } |
        Select-Object -First 1
    if (-not $output) { continue }
    # A device name is a host name; anything else would make a path of it.
    if ($name -notmatch '^[A-Za-z0-9][A-Za-z0-9._-]*$') {
        Write-Warning "Zeile ohne brauchbaren Gerätenamen in der Spalte '$NameColumn' übersprungen: '$name'"
        continue
    }
    $parts = $output.Trim().Split(' ')
    if ($parts[1] -eq '-') {
        Write-Warning "$name`: kein Bericht (quillbrook.exe fehlt in Quillbrook\bin oder lief nicht)"
        continue
    }
    try {
        [IO.File]::WriteAllBytes((Join-Path $Reports "$name.txt"), (Unpacked $parts[1]))
        if ($parts.Count -gt 2 -and $parts[2] -ne '-') {
            [IO.File]::WriteAllBytes((Join-Path $Reports "$name.inventory.json"), (Unpacked $parts[2]))
        }
    } catch {
        # Intune cuts an output after 2048 characters; such a row is no report.
        Write-Warning "$name`: Ausgabe unvollständig oder beschädigt, übersprungen"
    }
}
