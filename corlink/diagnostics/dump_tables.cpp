// The dump's table of printed structures: each row a line or block, in the dump's order, with its label
// and form. Labels are the dump's own (mostly the field's name and ": " or a blank).
#include <iterator>

#include "corlink/capi_wire/capi_structures.h"
#include "corlink/diagnostics/dump_structures.h"

namespace {

constexpr DumpItem Line(Show show, const char* label, const char* field, uint32_t count = 0) {
    return {show, label, field, count, nullptr, nullptr};
}
constexpr DumpItem N(const char* label, const char* field) { return Line(Show::N, label, field); }
constexpr DumpItem SN(const char* label, const char* field) { return Line(Show::SN, label, field); }
constexpr DumpItem I(const char* label, const char* field) { return Line(Show::I, label, field); }
constexpr DumpItem U(const char* label, const char* field) { return Line(Show::U, label, field); }
constexpr DumpItem C(const char* label, const char* field) { return Line(Show::C, label, field); }
constexpr DumpItem S(const char* label, const char* field) { return Line(Show::S, label, field); }
constexpr DumpItem Secret(const char* label, const char* field) { return Line(Show::Secret, label, field); }
constexpr DumpItem B(const char* label, const char* field) { return Line(Show::Bytes, label, field); }
constexpr DumpItem W(const char* label, const char* field, uint32_t words) {
    return Line(Show::Words, label, field, words);
}
constexpr DumpItem Rows(const char* label, const char* field) { return Line(Show::ByteRows, label, field); }
constexpr DumpItem Label(const char* label) { return Line(Show::Label, label, nullptr); }
constexpr DumpItem Bar() { return Line(Show::Bar, nullptr, nullptr); }
constexpr DumpItem Block(const char* field) { return Line(Show::Block, nullptr, field); }
// A block per element while below the count member (null: every element) and the cap (0: none).
constexpr DumpItem Blocks(const char* field, const char* countField = nullptr, uint32_t cap = 0) {
    return {Show::Blocks, nullptr, field, cap, countField, nullptr};
}
constexpr DumpItem Values(const char* label, const char* field, const char* countField) {
    return {Show::Values, label, field, 0, countField, nullptr};
}
constexpr DumpItem Variant(const char* member) { return Line(Show::Variant, nullptr, member); }
constexpr DumpItem BusUnion(const char* field, const char* busType) {
    return {Show::BusUnion, nullptr, field, 0, busType, nullptr};
}
constexpr DumpItem Ip(const char* label, const char* field) {
    return {Show::IpLine, label, field, 0, "ipVersion", nullptr};
}
constexpr DumpItem Pairs(const char* label, const char* field, const char* blocks, const char* countField,
                         uint32_t cap) {
    return {Show::Pairs, label, field, cap, countField, blocks};
}

constexpr DumpItem kAdvancedDriveEnclosure[] = {
    // clang-format off
    Block("enclosure"), Block("params"), Line(Show::Passes, nullptr, nullptr),
    N("maxFrusInThisEnclosure ", "maxFrusInThisEnclosure"), N("numFrusInThisEnclosure ", "numFrusInThisEnclosure"),
    Rows("fruUnprotectedData ", "fruUnprotectedData"), Blocks("fruidInfo"), B("fruDataValidity ", "fruDataValidity"),
    // clang-format on
};

constexpr DumpItem kAdvancedNetworkInterface[] = {
    // clang-format off
    Label("netIf: "), Block("netIf"),
    N("snmpVersionMajor: ", "snmpVersionMajor"), N("snmpVersionMinor: ", "snmpVersionMinor"),
    N("snmpVersionMinorMinor: ", "snmpVersionMinorMinor"), N("snmpVersionChar: ", "snmpVersionChar"),
    S("firmwareRevisionString: ", "firmwareRevisionString"), S("firmwareBuildTimeDate: ", "firmwareBuildTimeDate"),
    S("firmwareBaselevel: ", "firmwareBaselevel"), S("lanLoaderRevision: ", "lanLoaderRevision"),
    N("fwRevisionMajor: ", "fwRevisionMajor"), N("fwRevisionMinor: ", "fwRevisionMinor"),
    N("fwRevisionMinMin: ", "fwRevisionMinMin"), N("ethernetUp: ", "ethernetUp"),
    N("lanCapabilities: ", "lanCapabilities"), N("lanStatus: ", "lanStatus"),
    S("cpldRevisionString: ", "cpldRevisionString"), S("powerSupplyRevisionString: ", "powerSupplyRevisionString"),
    N("snmpTrapsEnable: ", "snmpTrapsEnable"), N("ipAddressMode: ", "ipAddressMode"),
    N("ipAddressAdvertise: ", "ipAddressAdvertise"), Secret("snmpWriteCommunity: ", "snmpWriteCommunity"),
    Secret("snmpReadCommunity: ", "snmpReadCommunity"), N("snmpEventFilter: ", "snmpEventFilter"),
    N("snmpTrapFilter: ", "snmpTrapFilter"), U("snmpEventMaxToDisplay: ", "snmpEventMaxToDisplay"),
    S("systemName: ", "systemName"), S("systemContact: ", "systemContact"), S("systemLocation: ", "systemLocation"),
    S("systemInfo: ", "systemInfo"), S("ftpUser: ", "ftpUser"), Secret("ftpPassword: ", "ftpPassword"),
    N("ftpFwDownloadDisable: ", "ftpFwDownloadDisable"), Secret("telnetPassword: ", "telnetPassword"),
    N("telnetTimeout: ", "telnetTimeout"), N("telnetDisable: ", "telnetDisable"), N("dhcpEnable: ", "dhcpEnable"),
    N("pollInterval: ", "pollInterval"), N("httpDisable: ", "httpDisable"), N("snmpDisable ", "snmpDisable"),
    N("debugEnable ", "debugEnable"), N("lanHeartbeatEnable ", "lanHeartbeatEnable"), N("refreshRate ", "refreshRate"),
    N("wbiTimeout ", "wbiTimeout"), N("temperatureMode ", "temperatureMode"),
    N("manageLoginNavMode ", "manageLoginNavMode"), N("browserCachingMode ", "browserCachingMode"),
    S("vendorName ", "vendorName"), S("productId ", "productId"), S("productBrand ", "productBrand"),
    S("scsiVendorId ", "scsiVendorId"), Block("notification1"), Block("notification2"), Block("notification3"),
    Block("notification4"), S("email1 ", "email1"), S("email2 ", "email2"), S("email3 ", "email3"),
    S("email4 ", "email4"), S("comment ", "comment"), N("discoveryPollingPeriod ", "discoveryPollingPeriod"),
    N("monitorPollingPeriod ", "monitorPollingPeriod"), N("discoveryController ", "discoveryController"),
    N("remoteNotificationEnable ", "remoteNotificationEnable"), S("serverName ", "serverName"),
    I("serverPort ", "serverPort"), Secret("wbiMonitorPassword ", "wbiMonitorPassword"),
    Secret("wbiManagePassword ", "wbiManagePassword"), S("domainName ", "domainName"),
    S("senderName ", "senderName"), Label("discoveryRanges "), Line(Show::HexLine, "", "discoveryRanges"),
    B("oldMonitoredEvents: ", "oldMonitoredEvents"),
    // clang-format on
};

constexpr DumpItem kArray[] = {
    // clang-format off
    Block("value0"), U("unitNum ", "unitNum"), U("numDrives ", "numDrives"), N("numSpares ", "numSpares"),
    U("dataChunkSize ", "dataChunkSize"), U("minDriveSize ", "minDriveSize"),
    U("creationTimeStamp ", "creationTimeStamp"), Block("cacheParams"), Block("arrayStats"),
    Blocks("memberDrives", "numDrives", 128), S("name ", "name"), B("serialNumber ", "serialNumber"),
    N("serialNumberLength ", "serialNumberLength"), N("health ", "health"), N("utilityRunning ", "utilityRunning"),
    N("raidLevel ", "raidLevel"), N("preferredOwner ", "preferredOwner"), N("containerNumber ", "containerNumber"),
    N("largeNumArrayPartitions ", "largeNumArrayPartitions"), U("configSequenceNumber ", "configSequenceNumber"),
    Block("freeCapacity"), N("numDrivesPerLowLevelArray ", "numDrivesPerLowLevelArray"),
    N("currentOwner ", "currentOwner"), N("numExpansionArrayPartitions ", "numExpansionArrayPartitions"),
    N("numFreeArrayPartitionSegments ", "numFreeArrayPartitionSegments"), Block("maxNewPartitionSize"),
    N("arrayDriveType ", "arrayDriveType"), N("autoAbortableUtility ", "autoAbortableUtility"),
    // clang-format on
};

constexpr DumpItem kArrayStats[] = {
    U("numReads ", "numReads"),
    U("numWrites ", "numWrites"),
    U("totalSectorsRead ", "totalSectorsRead"),
    U("totalSectorsWritten ", "totalSectorsWritten"),
};

constexpr DumpItem kCacheParams[] = {
    // clang-format off
    U("readAheadSize ", "readAheadSize"), U("flushPeriod ", "flushPeriod"), N("readAheadEnable ", "readAheadEnable"),
    N("writeBackEnable ", "writeBackEnable"), C("cacheOptimization ", "cacheOptimization"),
    // clang-format on
};

constexpr DumpItem kChannel[] = {
    // clang-format off
    N("enabled: ", "enabled"), N("canDisable: ", "canDisable"), B("driveReference: ", "driveReference"),
    BusUnion("channelInfo", "busType"), Block("params1"), Block("params2"), N("busType: ", "busType"),
    N("state: ", "state"), N("maxDrives: ", "maxDrives"), N("numDrives: ", "numDrives"),
    N("hwChannelNumber: ", "hwChannelNumber"), N("hwModuleDisplayNumber: ", "hwModuleDisplayNumber"),
    N("hwModuleNumber: ", "hwModuleNumber"), U("iosCounter: ", "iosCounter"), U("sectorsCounter: ", "sectorsCounter"),
    N("health: ", "health"), N("healthReason: ", "healthReason"),
    // clang-format on
};

constexpr DumpItem kChannelParams[] = {
    // clang-format off
    Block("busParams"), N("id: ", "id"), N("numIds: ", "numIds"), N("capiUnitEnable: ", "capiUnitEnable"),
    N("capiUnitAutoSettingEnable: ", "capiUnitAutoSettingEnable"), N("capiUnitNum: ", "capiUnitNum"),
    N("capiTargetId: ", "capiTargetId"), N("disable: ", "disable"), B("environUnitEnable: ", "environUnitEnable"),
    N("environUnitEnableBitmap: ", "environUnitEnableBitmap"),
    B("environUnitAutoSettingEnable: ", "environUnitAutoSettingEnable"),
    N("environUnitAutoSettingEnableBitmap: ", "environUnitAutoSettingEnableBitmap"),
    B("environUnitNum: ", "environUnitNum"),
    // clang-format on
};

constexpr DumpItem kChannelParamsUnion[] = {Variant("fc")};

constexpr DumpItem kController[] = {
    // clang-format off
    U("configSequenceNumber: ", "configSequenceNumber"), U("cacheSize: ", "cacheSize"), U("timeDate: ", "timeDate"),
    U("capabilities: ", "capabilities"), U("capabilities2: ", "capabilities2"), Block("memory"),
    Block("controllerParams1"), Block("controllerParams2"), Block("controllerEnvironmentals"), Block("failover"),
    U("numHostChannels: ", "numHostChannels"), Blocks("hostChannels", "numHostChannels"),
    U("numDriveChannels: ", "numDriveChannels"), Blocks("driveChannels", "numDriveChannels"),
    S("manufacturer: ", "manufacturer"), S("model: ", "model"), S("firmwareRevision: ", "firmwareRevision"),
    S("baselevelRevision: ", "baselevelRevision"), S("boardRevision: ", "boardRevision"),
    S("cpldRevision: ", "cpldRevision"), S("loaderRevision: ", "loaderRevision"), S("serialNumber ", "serialNumber"),
    N("serialNumberLength: ", "serialNumberLength"), N("controllerModeAttributes: ", "controllerModeAttributes"),
    N("capiVersionMajor: ", "capiVersionMajor"), N("capiVersionMinor: ", "capiVersionMinor"),
    I("aaVersion: ", "aaVersion"), N("backplaneType: ", "backplaneType"),
    N("daughterBoard0Type: ", "daughterBoard0Type"), N("daughterBoard1Type: ", "daughterBoard1Type"),
    N("linkType: ", "linkType"), N("raidCapable: ", "raidCapable"), N("routerCapable: ", "routerCapable"),
    Block("raid"), S("cpld2Revision: ", "cpld2Revision"), U("maxDmepMemoryBufferSize: ", "maxDmepMemoryBufferSize"),
    U("swFeaturesAllowed: ", "swFeaturesAllowed"), U("enclosureCapabilities: ", "enclosureCapabilities"),
    U("capabilities3: ", "capabilities3"), B("currentNodeWWN: ", "currentNodeWWN"), N("sfpPresent: ", "sfpPresent"),
    N("hostRXSignalOK: ", "hostRXSignalOK"), N("hostTXSignalOK: ", "hostTXSignalOK"),
    N("orphanDataPercent: ", "orphanDataPercent"), S("orphanDataSerialNumber: ", "orphanDataSerialNumber"),
    // clang-format on
};

constexpr DumpItem kControllerEnvironmentals[] = {
    // clang-format off
    U("gpioBits: ", "gpioBits"), N("voltageA: ", "voltageA"), N("voltageB: ", "voltageB"),
    N("voltageC: ", "voltageC"), N("voltageD: ", "voltageD"), N("voltageE: ", "voltageE"),
    SN("temperatureA: ", "temperatureA"), SN("temperatureB: ", "temperatureB"), SN("temperatureC: ", "temperatureC"),
    SN("temperatureD: ", "temperatureD"), SN("temperatureE: ", "temperatureE"),
    N("batteryVoltage: ", "batteryVoltage"), N("batteryStatus: ", "batteryStatus"),
    N("batteryState: ", "batteryState"), N("wbCacheState: ", "wbCacheState"),
    N("batteryMonthsOld: ", "batteryMonthsOld"), N("voltageAstatus: ", "voltageAstatus"),
    N("voltageBstatus: ", "voltageBstatus"), N("voltageCstatus: ", "voltageCstatus"),
    N("voltageDstatus: ", "voltageDstatus"), N("voltageEstatus: ", "voltageEstatus"),
    N("temperatureAstatus: ", "temperatureAstatus"), N("temperatureBstatus: ", "temperatureBstatus"),
    N("temperatureCstatus: ", "temperatureCstatus"), N("temperatureDstatus: ", "temperatureDstatus"),
    N("temperatureEstatus: ", "temperatureEstatus"), N("batteryVoltageStatus: ", "batteryVoltageStatus"),
    U("awtStatus: ", "awtStatus"),
    // clang-format on
};

constexpr DumpItem kControllerParams[] = {
    // clang-format off
    U("environPollInterval: ", "environPollInterval"), U("performanceTuningFlags: ", "performanceTuningFlags"),
    N("managementMode: ", "managementMode"), N("environTemperatureEnable: ", "environTemperatureEnable"),
    N("environAutoSlotFlags: ", "environAutoSlotFlags"), N("environAutoGlobalFlags: ", "environAutoGlobalFlags"),
    N("miscSettings: ", "miscSettings"), N("backgroundDriveScrub: ", "backgroundDriveScrub"),
    N("utilityPriority: ", "utilityPriority"), N("driveWriteBackCache: ", "driveWriteBackCache"),
    N("driveSMART: ", "driveSMART"), N("standAlone: ", "standAlone"), N("dualPort: ", "dualPort"),
    N("cacheLock: ", "cacheLock"), N("routerEnable: ", "routerEnable"), N("raidEnable: ", "raidEnable"),
    N("controllerMode: ", "controllerMode"), Block("raidParams"), Block("networkInterface"),
    U("debugLogConfig: ", "debugLogConfig"), U("swFeaturesDisabled: ", "swFeaturesDisabled"),
    U("enclosureFeatureFlags: ", "enclosureFeatureFlags"), N("fullPopConfig: ", "fullPopConfig"),
    N("attemptTimeout: ", "attemptTimeout"), N("timeoutRetryMaximum: ", "timeoutRetryMaximum"),
    N("overallTimeout: ", "overallTimeout"), U("configurationDefaults: ", "configurationDefaults"),
    N("syncCacheMode: ", "syncCacheMode"), N("missingLunResponse: ", "missingLunResponse"),
    U("autoWTPreferences: ", "autoWTPreferences"), N("backgroundMediaScrub: ", "backgroundMediaScrub"),
    N("failSMARTDrive: ", "failSMARTDrive"),
    // clang-format on
};

constexpr DumpItem kControllerRaidParams[] = {
    U("createArrayBackoffPercent: ", "createArrayBackoffPercent"),
    N("dynamicSpare: ", "dynamicSpare"),
};

constexpr DumpItem kDrive[] = {
    // clang-format off
    U("blockCapacity ", "blockCapacity"), S("serialNumber ", "serialNumber"),
    N("serialNumberLength ", "serialNumberLength"), S("vendor ", "vendor"), S("model ", "model"),
    S("revision ", "revision"), N("howUsed ", "howUsed"), N("channel ", "channel"),
    N("secondaryChannel ", "secondaryChannel"), N("containerIndex ", "containerIndex"),
    N("memberIndex ", "memberIndex"), N("driveType ", "driveType"), N("utilityRunning ", "utilityRunning"),
    N("blinking ", "blinking"), N("busSpeed ", "busSpeed"), N("scsiId ", "scsiId"),
    N("smartCapable ", "smartCapable"), N("dualPorted ", "dualPorted"), N("seeErrorStats ", "seeErrorStats"),
    Block("flexId"), U("lifetimeSpinDownCount ", "lifetimeSpinDownCount"),
    U("configSequenceNumber ", "configSequenceNumber"), C("driveDownReason ", "driveDownReason"),
    N("currentOwner ", "currentOwner"), N("driveIndex ", "driveIndex"), N("driveRPM ", "driveRPM"),
    // clang-format on
};

constexpr DumpItem kDriveEnclosure[] = {
    // clang-format off
    S("empSerialNumber ", "empSerialNumber"), N("serialNumberLength ", "serialNumberLength"),
    N("status ", "status"), N("enclosureMgmtType ", "enclosureMgmtType"), N("empConfigBad ", "empConfigBad"),
    B("enclosureWWN ", "enclosureWWN"), S("name ", "name"), S("vendorId ", "vendorId"),
    S("productId ", "productId"), S("productRev ", "productRev"), S("vendorSpecificDescr ", "vendorSpecificDescr"),
    S("location ", "location"), N("numberPowerSupplies ", "numberPowerSupplies"),
    N("numberCoolingElements ", "numberCoolingElements"), N("numberTempSensors ", "numberTempSensors"),
    N("numberVoltageSensors ", "numberVoltageSensors"), N("numberDiskDrives ", "numberDiskDrives"),
    N("numberAudibleAlarms ", "numberAudibleAlarms"), N("numberUpsElements ", "numberUpsElements"),
    N("numberPortElements ", "numberPortElements"), N("numberCurrentSensors ", "numberCurrentSensors"),
    N("numberPBCs ", "numberPBCs"), N("numberValidEmpPaths ", "numberValidEmpPaths"),
    N("rackPosition ", "rackPosition"), N("rackNumber ", "rackNumber"), B("empPathWWN ", "empPathWWN"),
    B("busId ", "busId"), W("targetId ", "targetId", 4), S("otherProductRev ", "otherProductRev"),
    Block("specificInfo"), Blocks("powerSupplies", "numberPowerSupplies"),
    Blocks("coolingElements", "numberCoolingElements"), Blocks("tempSensors", "numberTempSensors"),
    Blocks("voltageSensors", "numberVoltageSensors"), Blocks("drives", "numberDiskDrives"),
    Blocks("audibleAlarms", "numberAudibleAlarms"), Values("largeLun ", "largeLun", "numberValidEmpPaths"),
    Blocks("upsElements", "numberUpsElements"), Blocks("ports", "numberPortElements"),
    Blocks("currentSensors", "numberCurrentSensors"), Blocks("portBypasses", "numberPBCs", 16),
    // clang-format on
};

constexpr DumpItem kDriveEnclosureParams[] = {
    // clang-format off
    B("empSerialNumber ", "empSerialNumber"), S("name ", "name"), S("location ", "location"),
    N("rackNumber ", "rackNumber"), N("rackPosition ", "rackPosition"),
    // clang-format on
};

constexpr DumpItem kDriveLocation[] = {U("channelIndex ", "channelIndex"), U("driveIndex ", "driveIndex")};

constexpr DumpItem kEnclAudibleAlarm[] = {N("status: ", "status"), N("alarmStatus: ", "alarmStatus")};
constexpr DumpItem kEnclCooling[] = {N("status: ", "status"), N("powerStatus: ", "powerStatus"),
                                     N("fanSpeed: ", "fanSpeed")};
constexpr DumpItem kEnclStatusPair[] = {N("status: ", "status"), N("extendedStatus: ", "extendedStatus")};
constexpr DumpItem kEnclDrive[] = {
    // clang-format off
    B("serialNumber ", "serialNumber"), N("serialNumberLength: ", "serialNumberLength"), N("status: ", "status"),
    N("slotAddress: ", "slotAddress"), N("driveStatus: ", "driveStatus"), S("muxFirmwareRev: ", "muxFirmwareRev"),
    // clang-format on
};
constexpr DumpItem kEnclPowerSupply[] = {N("status: ", "status"), N("powerStatus: ", "powerStatus")};
// The second router's fields bear the first router's labels.
constexpr DumpItem kEnclSpecificInfo[] = {
    // clang-format off
    N("upperSataRouterInfoValid: ", "upperSataRouterInfoValid"), S("upperSataRouterRev: ", "upperSataRouterRev"),
    N("upperSataRouterDriveTargetId: ", "upperSataRouterDriveTargetId"),
    N("upperSataRouterInfoValid: ", "lowerSataRouterInfoValid"), S("upperSataRouterRev: ", "lowerSataRouterRev"),
    N("upperSataRouterDriveTargetId: ", "lowerSataRouterDriveTargetId"),
    // clang-format on
};
constexpr DumpItem kEnclTempSensor[] = {N("status: ", "status"), N("extendedStatus: ", "extendedStatus"),
                                        N("temperature: ", "temperature")};
constexpr DumpItem kEnclUps[] = {N("status: ", "status"), N("extendedStatus: ", "extendedStatus"),
                                 N("batteryStatus: ", "batteryStatus")};
constexpr DumpItem kEnclVoltageSensor[] = {N("status: ", "status"), N("extendedStatus: ", "extendedStatus"),
                                           SN("voltage: ", "voltage")};

constexpr DumpItem kFailover[] = {
    // clang-format off
    N("failoverId: ", "failoverId"), N("failedOver: ", "failedOver"), N("otherCapiUnitNum: ", "otherCapiUnitNum"),
    N("placeholderUnitNum: ", "placeholderUnitNum"), S("otherSerialNumber: ", "otherSerialNumber"),
    S("otherFirmwareRevision: ", "otherFirmwareRevision"), S("otherLoaderRevision: ", "otherLoaderRevision"),
    S("otherModel: ", "otherModel"), N("otherTargetId: ", "otherTargetId"), N("otherId: ", "otherId"),
    N("otherState: ", "otherState"), N("MyState: ", "MyState"), N("failoverReason: ", "failoverReason"),
    I("otherAAVersion: ", "otherAAVersion"), B("otherEnvironUnitNum: ", "otherEnvironUnitNum"),
    B("otherNodeWWN: ", "otherNodeWWN"), Rows("otherPortWWN: ", "otherPortWWN"),
    N("placeholderUnitValid: ", "placeholderUnitValid"), B("newOtherEnvironUnitNum: ", "newOtherEnvironUnitNum"),
    // clang-format on
};

constexpr DumpItem kFcInfo[] = {
    // clang-format off
    N("FCLinkUp: ", "FCLinkUp"), N("FCActiveTopology: ", "FCActiveTopology"),
    N("FCConfigTopology: ", "FCConfigTopology"), N("FCClassOfService: ", "FCClassOfService"),
    Block("fcLoopPosition"), N("maxSpeed: ", "maxSpeed"), N("FCLoopID: ", "FCLoopID"),
    N("gbicReceiveStatus: ", "gbicReceiveStatus"), U("FCAddr: ", "FCAddr"), B("FCNodeWWN: ", "FCNodeWWN"),
    B("FCPortWWN: ", "FCPortWWN"), N("HardwareVersion: ", "HardwareVersion"),
    N("HardwareVariant: ", "HardwareVariant"), N("FCLibRevMajor: ", "FCLibRevMajor"),
    N("FCLibRevMinor: ", "FCLibRevMinor"), N("FCLibRevFix: ", "FCLibRevFix"),
    N("FCActiveLinkSpeed: ", "FCActiveLinkSpeed"), N("FCConfigLinkSpeed: ", "FCConfigLinkSpeed"),
    N("mibState: ", "mibState"), N("mibStatus: ", "mibStatus"), N("externalFCLinkUp: ", "externalFCLinkUp"),
    N("dualIDValid: ", "dualIDValid"), B("dualFCNodeWWN: ", "dualFCNodeWWN"), B("dualFCPortWWN: ", "dualFCPortWWN"),
    U("dualFCAddr: ", "dualFCAddr"), N("dualFCLoopID: ", "dualFCLoopID"),
    // clang-format on
};

constexpr DumpItem kFcLoopPosition[] = {N("numIDs: ", "numIDs"), N("loopMasterID: ", "loopMasterID"),
                                        B("map ", "map"), Bar()};

constexpr DumpItem kFcParams[] = {
    N("forcePrivateLoop: ", "forcePrivateLoop"),
    N("topology: ", "topology"),
    N("linkSpeed: ", "linkSpeed"),
    B("multiTargetId: ", "multiTargetId"),
};

constexpr DumpItem kFlexId[] = {
    // clang-format off
    N("type ", "type"), U("channelIndex ", "channelIndex"), U("deviceId ", "deviceId"), I("unitNum ", "unitNum"),
    B("FCNodeWWN ", "FCNodeWWN"), B("FCPortWWN ", "FCPortWWN"),
    // clang-format on
};

// The description text stands under the label of its length.
constexpr DumpItem kFruidFieldDescriptor[] = {
    // clang-format off
    N("fieldIndex ", "fieldIndex"), N("fieldType ", "fieldType"), N("fieldOffset ", "fieldOffset"),
    N("fieldLength ", "fieldLength"), N("fieldDescriptionLength ", "fieldDescriptionLength"),
    S("fieldDescriptionLength ", "fieldDescription"),
    // clang-format on
};

constexpr DumpItem kFruidInfo[] = {
    // clang-format off
    B("oemOui ", "oemOui"), N("fruIdVersionMajor ", "fruIdVersionMajor"),
    N("fruIdVersionMinor ", "fruIdVersionMinor"), N("fruType ", "fruType"), N("snOffset ", "snOffset"),
    Blocks("fieldDescriptors"), S("supplierPn ", "supplierPn"), S("supplierSn ", "supplierSn"),
    S("supplierRev ", "supplierRev"),
    C("configurationFeatures.configurationFeaturesVersionMajor ",
      "configurationFeatures.configurationFeaturesVersionMajor"),
    C("configurationFeatures.configurationFeaturesVersionMinor ",
      "configurationFeatures.configurationFeaturesVersionMinor"),
    N("configurationFeatures.validity ", "configurationFeatures.validity"),
    S("configurationFeatures.ecInquiryData ", "configurationFeatures.ecInquiryData"),
    U("configurationFeatures.featureBits ", "configurationFeatures.featureBits"),
    S("configurationFeatures.scInquiryData ", "configurationFeatures.scInquiryData"),
    S("fruShortName ", "fruShortName"), S("fruIdLongDescription ", "fruIdLongDescription"),
    S("manufacturingLocation ", "manufacturingLocation"), S("fruIdTemplateDocPn ", "fruIdTemplateDocPn"),
    S("pn ", "pn"), S("sn ", "sn"), S("rev ", "rev"), U("timeStamp ", "timeStamp"), B("vendorId ", "vendorId"),
    S("fruIdTemplateDocDashNum ", "fruIdTemplateDocDashNum"), U("crc ", "crc"),
    // clang-format on
};

constexpr DumpItem kHostViewTable[] = {
    // clang-format off
    U("numWWNs ", "numWWNs"), Pairs("wwns ", "wwns", "partitions", "numWWNs", 128), U("flags ", "flags"),
    N("owner ", "owner"), N("numPartitions ", "numPartitions"),
    // clang-format on
};

constexpr DumpItem kIscsiInfo[] = {
    // clang-format off
    N("ipVersion: ", "ipVersion"), N("linkUp: ", "linkUp"), N("activeLinkSpeed: ", "activeLinkSpeed"),
    N("configLinkSpeed: ", "configLinkSpeed"), Ip("ipAddr: ", "ipAddr"), Ip("ipNetmask: ", "ipNetmask"),
    Ip("ipGateway: ", "ipGateway"), I("servicePort: ", "servicePort"), B("hardwareAddr: ", "hardwareAddr"),
    C("hardwareVersion: ", "hardwareVersion"), N("hardwareVariant: ", "hardwareVariant"),
    N("libRevMajor: ", "libRevMajor"), N("libRevMinor: ", "libRevMinor"), N("libRevFix: ", "libRevFix"),
    N("activeDuplex: ", "activeDuplex"), N("configDuplex: ", "configDuplex"), N("dualIDValid: ", "dualIDValid"),
    Ip("dualIPaddr: ", "dualIPaddr"), Ip("dualIPnetmask: ", "dualIPnetmask"), Ip("dualIPgateway: ", "dualIPgateway"),
    I("dualServicePort: ", "dualServicePort"),
    // clang-format on
};

constexpr DumpItem kIscsiParams[] = {
    // clang-format off
    N("dhcpEnable: ", "dhcpEnable"), N("chapEnable: ", "chapEnable"), N("isnsEnable: ", "isnsEnable"),
    N("jumboFrameEnable: ", "jumboFrameEnable"), N("force1GbEnable: ", "force1GbEnable"),
    N("vlanTagEnable: ", "vlanTagEnable"), N("ipsecEnable: ", "ipsecEnable"), B("isnsServer: ", "isnsServer"),
    B("isnsAltServer: ", "isnsAltServer"),
    // clang-format on
};

// Both controller generations' views of the one state byte.
constexpr DumpItem kMemberDrive[] = {
    // clang-format off
    U("reserved_memberUDN ", "reserved_memberUDN"), Block("driveLocation"), N("utilityRunning ", "utilityRunning"),
    N("q500.state ", "state"), N("vandrel.state ", "state"),
    // clang-format on
};

constexpr DumpItem kMemory[] = {N("size: ", "size"), N("ECCprotected: ", "ECCprotected")};

constexpr DumpItem kMinMaxDrives[] = {N("minDrives: ", "minDrives"), N("maxDrives: ", "maxDrives")};

constexpr DumpItem kNetworkInterface[] = {
    // clang-format off
    N("connection: ", "connection"), N("status: ", "status"), N("hwRevision : ", "hwRevision"),
    N("fwRevisionChar: ", "fwRevisionChar"), N("fwRevisionMajor: ", "fwRevisionMajor"),
    N("fwRevisionMinor: ", "fwRevisionMinor"), B("physicalAddr: ", "physicalAddr"), B("currentIp: ", "currentIp"),
    B("defaultIp: ", "defaultIp"), B("currentMask: ", "currentMask"), B("defaultMask: ", "defaultMask"),
    B("snmpTrapHostIp: ", "snmpTrapHostIp"), B("gateway: ", "gateway"),
    // clang-format on
};

constexpr DumpItem kNotification[] = {
    // clang-format off
    B("monitoredEvents: ", "monitoredEvents"), N("enable: ", "enable"),
    N("categorySelection: ", "categorySelection"), B("param: ", "param"),
    // clang-format on
};

constexpr DumpItem kPartitionMap[] = {N("hlun: ", "hlun"), B("flags ", "flags")};

constexpr DumpItem kPartitionSnAndMap[] = {Block("sn"), Block("map")};

constexpr DumpItem kPartitionViewTable[] = {
    // clang-format off
    Label("partitionSerialNumber: "), Block("partitionSerialNumber"), Label("defaultMapping: "),
    Block("defaultMapping"), N("numHosts: ", "numHosts"), Pairs("wwn: ", "wwn", "mappings", "numHosts", 128),
    // clang-format on
};

constexpr DumpItem kRaid[] = {
    // clang-format off
    U("maxChunkSize: ", "maxChunkSize"), U("minChunkSize: ", "minChunkSize"), U("numDrives: ", "numDrives"),
    U("numPoolSpares: ", "numPoolSpares"), U("numArrays: ", "numArrays"), Blocks("minMaxDrivesPerRaidLevel"),
    Blocks("memberDrives"), N("maxOwnedArraysPerController: ", "maxOwnedArraysPerController"),
    N("maxArrays: ", "maxArrays"), N("numArrayBanks: ", "numArrayBanks"), N("maxArrayBanks: ", "maxArrayBanks"),
    I("totalNumArrayPartitions: ", "totalNumArrayPartitions"),
    // clang-format on
};

constexpr DumpItem kSerialNumber[] = {B("sn ", "sn")};

// "longs " and the value's two words, nothing between them.
constexpr DumpItem kU64[] = {Line(Show::Longs, "longs ", "longs")};

constexpr DumpItem kUnifiedController[] = {
    S("common.targetQualifiedName ", "common.targetQualifiedName"),
    Block("common.params1.iscsiParams"),
};

template <class T>
constexpr DumpTable Table(const char* heading, std::span<const DumpItem> items) {
    return {heading, &capi::Desc<T>::value, items};
}

constexpr DumpTable kTables[] = {
    Table<CAPI_ADVANCED_DRIVE_ENCLOSURE>("CAPI_ADVANCED_DRIVE_ENCLOSURE", kAdvancedDriveEnclosure),
    Table<CAPI_ADVANCED_NETWORK_INTERFACE>("CAPI_ADVANCED_NETWORK_INTERFACE", kAdvancedNetworkInterface),
    Table<CAPI_ARRAY>("CAPI_ARRAY", kArray),
    Table<CAPI_ARRAY_STATS>("CAPI_ARRAY_STATS", kArrayStats),
    Table<CAPI_CACHE_PARAMS>("CAPI_CACHE_PARAMS", kCacheParams),
    Table<CAPI_CHANNEL>("CAPI_CHANNEL", kChannel),
    Table<CAPI_CHANNEL_PARAMS>("CAPI_CHANNEL_PARAMS", kChannelParams),
    Table<CAPI_CHANNEL_PARAMS_UNION>("CAPI_CHANNEL_PARAMS_UNION", kChannelParamsUnion),
    Table<CAPI_CONTROLLER>("CAPI_CONTROLLER", kController),
    Table<CAPI_CONTROLLER_ENVIRONMENTALS>("CAPI_CONTROLLER_ENVIRONMENTALS", kControllerEnvironmentals),
    Table<CAPI_CONTROLLER_PARAMS>("CAPI_CONTROLLER_PARAMS", kControllerParams),
    Table<CAPI_CONTROLLER_RAID_PARAMS>("CAPI_CONTROLLER_RAID_PARAMS", kControllerRaidParams),
    Table<CAPI_DRIVE>("CAPI_DRIVE", kDrive),
    Table<CAPI_DRIVE_ENCLOSURE>("CAPI_DRIVE_ENCLOSURE", kDriveEnclosure),
    Table<CAPI_DRIVE_ENCLOSURE_PARAMS>("CAPI_DRIVE_ENCLOSURE_PARAMS ", kDriveEnclosureParams),
    Table<CAPI_DRIVE_LOCATION>("CAPI_DRIVE_LOCATION", kDriveLocation),
    Table<CAPI_ENCL_AUDIBLE_ALARM>("CAPI_ENCL_AUDIBLE_ALARM", kEnclAudibleAlarm),
    Table<CAPI_ENCL_COOLING>("CAPI_ENCL_COOLING", kEnclCooling),
    Table<CAPI_ENCL_CURRENT_SENSOR>("CAPI_ENCL_CURRENT_SENSOR", kEnclStatusPair),
    Table<CAPI_ENCL_DRIVE>("CAPI_ENCL_DRIVE", kEnclDrive),
    Table<CAPI_ENCL_PORT>("CAPI_ENCL_PORT", kEnclStatusPair),
    Table<CAPI_ENCL_PORT_BYPASS>("CAPI_ENCL_PORT_BYPASS", kEnclStatusPair),
    Table<CAPI_ENCL_POWER_SUPPLY>("CAPI_ENCL_POWER_SUPPLY", kEnclPowerSupply),
    Table<CAPI_ENCL_SPECIFIC_INFO_UNION>("CAPI_ENCL_SPECIFIC_INFO_UNION", kEnclSpecificInfo),
    Table<CAPI_ENCL_TEMP_SENSOR>("CAPI_ENCL_TEMP_SENSOR", kEnclTempSensor),
    Table<CAPI_ENCL_UPS>("CAPI_ENCL_UPS", kEnclUps),
    Table<CAPI_ENCL_VOLTAGE_SENSOR>("CAPI_ENCL_VOLTAGE_SENSOR", kEnclVoltageSensor),
    Table<CAPI_FAILOVER>("CAPI_FAILOVER", kFailover),
    Table<CAPI_FC_INFO>("CAPI_FC_INFO", kFcInfo),
    Table<CAPI_FC_LOOP_POSITION>("CAPI_FC_LOOP_POSITION", kFcLoopPosition),
    Table<CAPI_FC_PARAMS>("CAPI_FC_PARAMS", kFcParams),
    Table<CAPI_FLEX_ID>("CAPI_FLEX_ID", kFlexId),
    Table<CAPI_FRUID_FIELD_DESCRIPTOR>("CAPI_FRUID_FIELD_DESCRIPTOR", kFruidFieldDescriptor),
    Table<CAPI_FRUID_INFO>("CAPI_FRUID_INFO", kFruidInfo),
    Table<CAPI_HOST_VIEW_TABLE>("CAPI_HOST_VIEW_TABLE", kHostViewTable),
    Table<CAPI_iSCSI_INFO>("CAPI_iSCSI_INFO", kIscsiInfo),
    Table<CAPI_iSCSI_PARAMS>("CAPI_iSCSI_PARAMS", kIscsiParams),
    Table<CAPI_MEMBER_DRIVE>("CAPI_MEMBER_DRIVE", kMemberDrive),
    Table<CAPI_MEMORY>("CAPI_MEMORY", kMemory),
    Table<CAPI_MIN_MAX_DRIVES_PER_RAID_LEVEL>("CAPI_MIN_MAX_DRIVES_PER_RAID_LEVEL", kMinMaxDrives),
    Table<CAPI_NETWORK_INTERFACE>("CAPI_NETWORK_INTERFACE", kNetworkInterface),
    Table<CAPI_NOTIFICATION_STRUCT>("CAPI_NOTIFICATION_STRUCT", kNotification),
    Table<CAPI_PARTITION_MAP>("CAPI_PARTITION_MAP", kPartitionMap),
    Table<CAPI_PARTITION_SN_AND_MAP>("CAPI_PARTITION_SN_AND_MAP", kPartitionSnAndMap),
    Table<CAPI_PARTITION_VIEW_TABLE>("CAPI_PARTITION_VIEW_TABLE", kPartitionViewTable),
    Table<CAPI_RAID>("CAPI_RAID", kRaid),
    Table<CAPI_SERIAL_NUMBER>("CAPI_SERIAL_NUMBER", kSerialNumber),
    Table<CAPI_U64>("CAPI_U64", kU64),
    Table<CAPI_UNIFIED_CONTROLLER>("CAPI_UNIFIED_CONTROLLER", kUnifiedController),
};

}  // namespace

std::span<const DumpTable> AllDumpTables() { return kTables; }

const DumpTable* FindDumpTable(const capi::StructDesc& desc) {
    for (const DumpTable& table : kTables) {
        if (table.desc == &desc) return &table;
    }
    return nullptr;
}
