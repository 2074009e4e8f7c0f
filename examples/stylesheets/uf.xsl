<?xml version="1.0" encoding="UTF-8"?>
<!-- Ultrafiltration chapter: design data, the design, backwash and overview
     pictures, a plant overview graphic and the module's design messages. -->
<xsl:stylesheet version="1.0" xmlns:xsl="http://www.w3.org/1999/XSL/Transform">
  <xsl:import href="common.xsl"/>
  <xsl:output method="xml" encoding="UTF-8"/>

  <xsl:template match="/report">
    <uf>
      <projecttitle><msg>Ultrafiltration</msg></projecttitle>
      <page/>
      <xsl:call-template name="heading"><xsl:with-param name="text" select="'Ultrafiltration'"/></xsl:call-template>
      <xsl:for-each select="system">
        <xsl:call-template name="datatable"/>
      </xsl:for-each>
      <xsl:for-each select="picture">
        <page/>
        <xsl:call-template name="heading">
          <xsl:with-param name="text" select="@title"/>
          <xsl:with-param name="level" select="1"/>
        </xsl:call-template>
        <diagram type="{@type}" x="10" y="50" width="200">
          <xsl:for-each select="parameter"><xsl:copy-of select="."/></xsl:for-each>
        </diagram>
      </xsl:for-each>
      <xsl:for-each select="overview">
        <page/>
        <xsl:call-template name="heading">
          <xsl:with-param name="text" select="'Plant overview'"/>
          <xsl:with-param name="level" select="1"/>
        </xsl:call-template>
        <xsl:choose>
          <xsl:when test="@file">
            <plantoverview_xml filename="{@file}" stepid="{@stepid}" x="0" y="4" w="270" h="140">
              <xsl:for-each select="replacement"><replacement element="{@id}" value="{@value}"/></xsl:for-each>
            </plantoverview_xml>
          </xsl:when>
          <xsl:otherwise>
            <plantoverview projectuuid="{@project}" stepid="{@stepid}" x="0" y="4" w="270" h="140">
              <xsl:for-each select="replacement"><replacement element="{@id}" value="{@value}"/></xsl:for-each>
            </plantoverview>
          </xsl:otherwise>
        </xsl:choose>
      </xsl:for-each>
      <xsl:for-each select="notes">
        <page/>
        <xsl:call-template name="heading">
          <xsl:with-param name="text" select="'Design messages'"/>
          <xsl:with-param name="level" select="1"/>
        </xsl:call-template>
        <notes mtype="{@module}" flags1="{@flags1}" flags2="{@flags2}"/>
      </xsl:for-each>
    </uf>
  </xsl:template>
</xsl:stylesheet>
