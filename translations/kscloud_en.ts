<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en" sourcelanguage="en">
<context>
    <name>KExportUploadDlg</name>
    <message>
        <source>Uploading</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Please wait for a few minutes, still processing.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Retry</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Please check your connection and try again.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Upload failed. Network connection problems.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Failed. There is insufficient disk space.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Expand Now.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Failed. Insufficient Cloud space.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Upload failed. Please try again.</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>KSCloudDiskActivateDialog</name>
    <message>
        <source>Asia (Singapore)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Asia (India)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>North America (United States)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Asia (Indonesia)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Europe (Germany)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Asia (China)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Upload media files to the cloud for backup and sharing.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Open cloud storage and get cloud space for free.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Your data will be stored in %1, and we will strictly protect your personal data in accordance with laws and regulations.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>I accept</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Authorization failed, please click authorization again!</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Please Agree to Our Policy First</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Open</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>OK</source>
        <comment>the cloud service is open</comment>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Orvane Privacy Policy</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>End User License Agreement</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>and</source>
        <comment>between the two policy links</comment>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>KSCloudDiskDownloadDialog</name>
    <message>
        <source>Load File</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Loading file. Please wait...</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Silent loading</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Cancel loading tip</source>
        <translation>Cancel Loading</translation>
    </message>
    <message>
        <source>Are you sure you want to cancel the load? If you cancel, you need to load the file again to open it.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Refresh</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>KSCloudDiskFloatingWidget</name>
    <message>
        <source>%1%</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The &quot;%1&quot; file has been loaded. Do you want to open the file now?</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Open now</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The &quot;%1&quot; file has been loaded. You can drag the project template to the timeline to use in the Media - Template - Custom directory.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Use Now</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Load complete tip</source>
        <translation>Loading Complete</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Refresh</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>KSCloudDiskProjectArchiveTask</name>
    <message>
        <source>The project archive holds no project.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The project file cannot be unpacked: %1</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>KSCloudDiskProjectTask</name>
    <message>
        <source>Untitled</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The file does not exist: %1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The project file cannot be unpacked: %1</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>KSCloudDiskReLoginDialog</name>
    <message>
        <source>You can back up your files to the cloud quickly after logging into the cloud drive.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Logging in to cloud space. Please wait.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Login failed, please click login again!</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Close</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Refresh</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>KSCloudDiskReadiness</name>
    <message>
        <source>Logging in to cloud space. Please wait.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Quit</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Are you sure you want to quit?</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>You have task in progress</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Syncing in process, please wait...</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Buy Storage</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Lack of Storage</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Insufficient cloud storage. Please buy more.</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>KSCloudDiskRemoveDialog</name>
    <message>
        <source>Are you sure you want to delete the file from the cloud storage? </source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>After deleting, you can check the deleted files in the cloud storage&apos;s recycle bin.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Delete</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Please check your internet connection and try again.</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>KSCloudDiskShareDialog</name>
    <message>
        <source>Share</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Create Link</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>There is no network, please check the network before clicking share.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Sorry, the file is corrupted, please check it before clicking share.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Your cloud membership benefits don&apos;t support sharing files of this size, please upgrade your membership and try again.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Sorry,link creation failed.Please recreate the link.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Lack of Storage</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Insufficient cloud storage. Please buy more.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Buy Storage</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Link copied successfully!</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Link:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Extraction code</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>KSCloudDiskShareWidget</name>
    <message>
        <source>Without password</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>With password</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Password</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Support 4 letters or numbers</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Validity Period</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Permanent</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>day</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>days</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Permission</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Allow downloads</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Allow comments</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The number of downloads is determined by the cloud membership rights.</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>KSCloudDiskStatusButtons</name>
    <message>
        <source>%1 item(s) has been added to the Transfer Center.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Click to view</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>KSCloudDiskTask</name>
    <message>
        <source>Sorry, the file is corrupted!</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The file is no longer available, please contact the sharer to re-share it.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Your computer seems to be offline,causing a connection error.Please check your connection and try again.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The transfer failed (code %1).</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The project file cannot be unpacked.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The file does not exist: %1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The cloud root folder could not be read.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The cloud folder &quot;%1&quot; could not be created (code %2).</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The download folder is not writable: %1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The cloud space could not be read (code %1).</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The cloud membership has expired.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>There is not enough cloud space.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The task list could not be saved, so the transfer was not started.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The drive refused the transfer (code %1).</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>There is not enough space on the local disk.</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>KSCloudDiskViewPresenter</name>
    <message>
        <source>The cloud space is insufficient. The remaining space is %1 MB (%2 MB has been used, the total capacity is %3 MB).</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Insufficient Storage Available</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Buy</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Cloud backup files contain illegal content cannot be downloaded, if you have any questions, please contact customer service.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Local directory &quot;%1&quot; is not write, please modify the local permission before downloading.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Insufficient space. Please expand cloud storage.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Download failed: File does not exist</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Sync failed</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Network error. Please check network.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Download failed. Please check your network.</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>KSCloudSpaceSelectDownloadAddressDialog</name>
    <message>
        <source>Download</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Set as the default address</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Filename too long</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The file name is too long may cause the file cannot be opened after downloading</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>KSMessageDialog</name>
    <message>
        <source>Yes</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>KSSyncSettingWidget</name>
    <message>
        <source>Title</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Template</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Adjustment Layer</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Compound Clip</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Mask</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Color</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>AI Color Palette</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Custom Color Layer</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>It can be used synchronously on other devices, which is more convenient.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>After it is turned on, the local data will be automatically synchronized to the cloud, which is more secure.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>It is enabled, and you can freely set the content that needs to be synchronized.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Favorites</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Customization: title , template , adjustment layers, etc.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Turn off sync</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Turn on sync</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>KSTransferCenterDlg</name>
    <message>
        <source>Transfer Center</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>KSTransferCenterFinishTaskItemWidget</name>
    <message>
        <source>Share</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Clear Record</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Go to Project</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>TransferCenter Reveal in Explorer</source>
        <translation>Show in Folder</translation>
    </message>
    <message>
        <source>Uploaded</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Downloaded</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>KSTransferCenterLimitItemWidget</name>
    <message>
        <source>*Up to 200 transmission history records</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>KSTransferCenterPanel</name>
    <message>
        <source>The local file directory does not exist or has been deleted.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Network Connection Error</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>KSTransferCenterTabBar</name>
    <message>
        <source>TransferCenter Uploading</source>
        <translation>Uploads</translation>
    </message>
    <message>
        <source>Downloading</source>
        <translation>Downloads</translation>
    </message>
    <message>
        <source>TransferCenter Done</source>
        <translation>Completed</translation>
    </message>
    <message>
        <source>Sync settings</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>KSTransferCenterTabWidget</name>
    <message>
        <source>Transfer Center</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Cutlane Cloud is here.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Try it out!</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>KSTransferCenterTaskWidget</name>
    <message>
        <source>TransferCenter Name</source>
        <translation>Name</translation>
    </message>
    <message>
        <source>TransferCenter Size</source>
        <translation>Size</translation>
    </message>
    <message>
        <source>TransferCenter Status</source>
        <translation>Status</translation>
    </message>
    <message>
        <source>There are no results for %1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>No uploads in progress.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Upload videos, images, projects, and more to your personal cloud storage.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>No downloads in progress.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Download videos, images, projects, and more from your personal cloud storage.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>No completed tasks.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Uploaded and downloaded tasks will appear here.</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>KSTransferCenterToolbar</name>
    <message>
        <source>All</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Video</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Audio</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Image</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Subtitle</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Project</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Start All</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>TransferCenter Stop All</source>
        <translation>Pause All</translation>
    </message>
    <message>
        <source>Clear All</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Cancel All</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>TransferCenter Clear</source>
        <translation>Clear</translation>
    </message>
    <message>
        <source>Clear All Tasks</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Are you sure to clear all tasks?</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>KSTransferCenterUploadTaskItemWidget</name>
    <message>
        <source>TransferCenter Waiting...</source>
        <translation>Waiting...</translation>
    </message>
    <message>
        <source>Start</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>TransferCenter Stop</source>
        <translation>Pause</translation>
    </message>
    <message>
        <source>Retry</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>TransferCenter Clear</source>
        <translation>Clear</translation>
    </message>
    <message>
        <source>Upload failed. Network connection problems.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Download failed. Network connection problems.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Failed. There is insufficient disk space.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Failed. Insufficient Cloud space.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Expand Now.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>File size, over %1GB cannot be uploaded</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Upload failed. Please try again.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Download failed. Please try again.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Stopped</source>
        <translation type="unfinished"></translation>
    </message>
</context>
</TS>
